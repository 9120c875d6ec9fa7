// Launches Debian's Chromium headless for the browser tests, each time with a fresh
// profile and without any traffic of its own (updates, sync, QUIC). A machine without
// Chromium is an error, never a skipped test.
'use strict';

const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const CHROMIUM = process.env.VENDORA_CHROMIUM || '/usr/bin/chromium';

const FLAGS = [
  '--headless',
  '--no-sandbox',
  '--disable-gpu',
  '--disable-quic',
  '--no-first-run',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
];

// Returns { context, close }: a browser context on a new profile folder that close()
// removes again.
async function launchChromium(options = {}) {
  if (!fs.existsSync(CHROMIUM)) {
    throw new Error(`Chromium fehlt: ${CHROMIUM} ist nicht vorhanden (apt-get install chromium).`);
  }
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vendora-chromium-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: FLAGS,
    viewport: options.viewport || { width: 1024, height: 900 },
  });
  return {
    context,
    async close() {
      await context.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Every picture of the page and its frames that did not load: IMG elements and image
// buttons, by their address.
async function brokenImages(page) {
  const broken = [];
  for (const frame of page.frames()) {
    const found = await frame.evaluate(async () => {
      const sources = [
        ...Array.from(document.images, (img) => img.src),
        ...Array.from(document.querySelectorAll('input[type=image i]'), (input) => input.src),
      ];
      const results = await Promise.all(
        sources.map(
          (src) =>
            new Promise((resolve) => {
              const probe = new Image();
              probe.onload = () => resolve(probe.naturalWidth > 0 ? null : src);
              probe.onerror = () => resolve(src);
              probe.src = src;
            }),
        ),
      );
      return { count: sources.length, broken: results.filter(Boolean) };
    });
    broken.push(...found.broken);
  }
  return broken;
}

module.exports = { launchChromium, brokenImages, CHROMIUM, FLAGS };
