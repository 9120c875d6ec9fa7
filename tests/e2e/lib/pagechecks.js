// What every page of the shop must hold on a phone and on a desktop: no sideways
// scrolling, every price and tick box visible once scrolled to, tap targets of at least
// 44 x 44 CSS pixels, no serious or critical finding of axe-core, the legal links.
'use strict';

const path = require('node:path');

const AXE = path.join(__dirname, '..', 'node_modules', 'axe-core', 'axe.min.js');
const LEGAL = ['Impressum', 'Datenschutz', 'AGB', 'Widerrufsbelehrung'];

// Numbers with two decimals in the text of the page: prices, weights, rates. Each must
// be inside the viewport and not hidden under something else once scrolled to.
async function hiddenNumbers(page) {
  return page.evaluate(() => {
    const skip = new Set(['SCRIPT', 'STYLE', 'TITLE', 'OPTION', 'TEXTAREA', 'NOSCRIPT']);
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    const problems = [];
    for (let node; (node = walker.nextNode()); ) {
      if (skip.has(node.parentElement.tagName) || node.parentElement.closest('textarea,select')) continue;
      const pattern = /\d+[.,]\d\d(?!\d)/g;
      for (let m; (m = pattern.exec(node.data)); ) {
        const range = document.createRange();
        range.setStart(node, m.index);
        range.setEnd(node, m.index + m[0].length);
        node.parentElement.scrollIntoView({ block: 'center', inline: 'center' });
        const r = range.getBoundingClientRect();
        const where = `"${m[0]}" in "${node.data.trim().slice(0, 60)}"`;
        if (r.width < 1 || r.height < 1) {
          problems.push(`${where}: not shown`);
          continue;
        }
        if (r.left < -0.5 || r.right > innerWidth + 0.5 || r.top < -0.5 || r.bottom > innerHeight + 0.5) {
          problems.push(`${where}: outside the viewport (${Math.round(r.left)}..${Math.round(r.right)})`);
          continue;
        }
        const hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
        if (!hit || !(hit === node.parentElement || hit.contains(node.parentElement) || node.parentElement.contains(hit)))
          problems.push(`${where}: covered by ${hit ? hit.tagName : 'nothing'}`);
      }
    }
    return problems;
  });
}

// Tick boxes and radio buttons: inside the viewport once scrolled to, and the point at
// their middle reaches them (or their label).
async function hiddenTicks(page) {
  return page.evaluate(() => {
    const problems = [];
    for (const box of document.querySelectorAll('input[type=checkbox], input[type=radio]')) {
      box.scrollIntoView({ block: 'center', inline: 'center' });
      const r = box.getBoundingClientRect();
      const name = `${box.name}=${box.value}`;
      if (r.width < 1 || r.height < 1) problems.push(`${name}: not shown`);
      else if (r.left < -0.5 || r.right > innerWidth + 0.5 || r.top < -0.5 || r.bottom > innerHeight + 0.5)
        problems.push(`${name}: outside the viewport (${Math.round(r.left)}..${Math.round(r.right)})`);
      else {
        const hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
        const label = box.closest('label');
        if (hit !== box && !(label && label.contains(hit))) problems.push(`${name}: covered by ${hit ? hit.tagName : 'nothing'}`);
      }
    }
    return problems;
  });
}

// Buttons, picture buttons, tick boxes (with the label that toggles them), links of the
// navigation and picture links: each at least 44 x 44.
async function smallTargets(page) {
  return page.evaluate(() => {
    const selector = [
      'input[type=submit]', 'input[type=image]', 'input[type=button]', 'input[type=reset]', 'button',
      'input[type=checkbox]', 'input[type=radio]', '[role=navigation] a', 'a:has(img)',
    ].join(',');
    const problems = [];
    for (const el of document.querySelectorAll(selector)) {
      const parts = [el, el.closest('label'), ...el.querySelectorAll('img')].filter(Boolean);
      const rects = parts.map((p) => p.getBoundingClientRect());
      const width = Math.max(...rects.map((r) => r.width));
      const height = Math.max(...rects.map((r) => r.height));
      if (width < 43.5 || height < 43.5) {
        const name = el.name || el.value || el.getAttribute('alt') || el.textContent.trim();
        problems.push(`${el.tagName.toLowerCase()} "${name}": ${Math.round(width)} x ${Math.round(height)}`);
      }
    }
    return problems;
  });
}

async function sidewaysScroll(page) {
  return page.evaluate(() => {
    const widths = [document.documentElement.scrollWidth, document.scrollingElement.scrollWidth, document.body.scrollWidth];
    return Math.max(...widths) > innerWidth ? `scrolls sideways: ${Math.max(...widths)} > ${innerWidth}` : null;
  });
}

// axe-core's serious and critical findings, as "rule: target" lines.
async function axeFindings(page) {
  if (!(await page.evaluate(() => typeof window.axe === 'object'))) await page.addScriptTag({ path: AXE });
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  return result.violations
    .filter((v) => v.impact === 'serious' || v.impact === 'critical')
    .flatMap((v) => v.nodes.map((n) => `${v.id} (${v.impact}): ${n.target.join(' ')} ${n.failureSummary.split('\n')[1] || ''}`));
}

// The names of the legal links in the page's legal navigation.
async function legalLinks(page) {
  return page.evaluate(() =>
    Array.from(document.querySelectorAll('[role=navigation] a, [role=navigation] input'), (e) =>
      (e.value || e.textContent).trim(),
    ),
  );
}

// Every check on the page shown; returns the problems found, each named with the page.
async function checkPage(page, name, { legal = true } = {}) {
  const problems = [];
  const scroll = await sidewaysScroll(page);
  if (scroll) problems.push(scroll);
  problems.push(...(await hiddenNumbers(page)), ...(await hiddenTicks(page)), ...(await smallTargets(page)));
  problems.push(...(await axeFindings(page)));
  const viewport = await page.evaluate(() => document.querySelector('meta[name=viewport]')?.content);
  if (viewport !== 'width=device-width, initial-scale=1') problems.push(`viewport: ${viewport}`);
  if (legal) {
    const links = await legalLinks(page);
    for (const text of LEGAL) if (!links.includes(text)) problems.push(`legal link "${text}" missing`);
  }
  await page.evaluate(() => window.scrollTo(0, 0));
  return problems.map((p) => `${name}: ${p}`);
}

module.exports = { checkPage, axeFindings, hiddenNumbers, hiddenTicks, smallTargets, sidewaysScroll, LEGAL };
