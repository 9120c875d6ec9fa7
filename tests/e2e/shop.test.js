// The generated demo shop served by "vendora-cli serve" under lighttpd, driven in
// headless Chromium like a customer: storefront -> category -> detail -> two items
// into the cart -> recalculate -> every order step -> receipt, once per order channel
// and once with gift service; the order mail that arrived (through the mail stand-in
// into the shop's mail folder, and by SMTP to a loopback sink of this test); the same
// walk in a text-only shop; hostile input through the real server; every page at
// 360 and 1280 pixels (lib/pagechecks.js, screenshots in WORK/screenshots). The totals
// are worked out by hand from the demo shop's prices below.
//
//   node shop.test.js VENDORA_CLI WORK
'use strict';

const assert = require('node:assert/strict');
const { spawn, spawnSync } = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const path = require('node:path');
const { test, after } = require('node:test');
const { launchChromium, brokenImages } = require('./lib/chromium');
const { checkPage } = require('./lib/pagechecks');

const [cli, work] = process.argv.slice(2);
if (!cli || !work) {
  console.error('Aufruf: node shop.test.js VENDORA-CLI ARBEITSORDNER');
  process.exit(2);
}
const screenshots = path.join(work, 'screenshots');
const env = { ...process.env, VENDORA_HOME: path.join(work, 'program'), XDG_CONFIG_HOME: path.join(work, 'config') };

// The demo shop: "Spaten \"Robust\"" (product 1) has the items GW-00001-1 at 4.95 EUR
// (0.5 kg) and GW-00001-2 at 8.45 EUR (1.25 kg), 19 % tax contained. Shipping is by
// weight (DHL Paket: 4.90 up to 5 kg), Vorkasse costs nothing, Rechnung 1.50; gift wrap
// 2.50 once per order, a message 1.00; the minimum order value is 10.00.
// Two of the first item and one of the second: 2 x 4.95 + 8.45 = 18.35, 2.25 kg.
const GOODS = '18.35';
const CONTAINED_TAX = '2.93'; // 18.35 * 19 / 119

// An amount as the shop shows it: "EUR 4.95", or "4,95 €" where the shop's config.cnf
// asks for the decimal comma (the demo shop does from the program that writes it).
let decimalComma = false;
function money(amount) {
  if (!decimalComma) return `EUR ${amount.replace('.', '\\.')}`;
  const [whole, cents] = amount.split('.');
  return `${whole.replace(/\B(?=(\d{3})+$)/g, '\\.')},${cents}\\s€`;
}

function usesDecimalComma(shop) {
  const config = fs.readFileSync(path.join(shop.folder, 'data', 'config.cnf'), 'latin1');
  return /^\$UseDecComma = 1;$/m.test(config);
}

function run(args) {
  const result = spawnSync(cli, args, { env, encoding: 'utf8' });
  assert.equal(result.status, 0, `vendora-cli ${args.join(' ')}: ${result.stderr}`);
  return result.stdout;
}

function demoShop(name, textOnly, sqlUpdate) {
  const folder = path.join(work, name);
  fs.rmSync(folder, { recursive: true, force: true });
  run(['--yes', 'demo', folder]);
  const database = path.join(folder, 'Demoshop.mdb');
  for (const update of [textOnly ? 'UPDATE Interfaces SET TextOnly = 1' : null, sqlUpdate].filter(Boolean)) {
    const sql = spawnSync('sqlite3', [database, update], { encoding: 'utf8' });
    assert.equal(sql.status, 0, `sqlite3: ${sql.stderr}`);
  }
  return { folder, database, mail: path.join(folder, 'mail') };
}

// "vendora-cli serve" until stop(): resolves once it printed the shop's address.
function serve(shop, extra = []) {
  const child = spawn(cli, ['serve', shop.database, ...extra], { env, stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '';
  let err = '';
  child.stderr.on('data', (d) => (err += d));
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`serve startete nicht:\n${out}\n${err}`)), 120000);
    child.stdout.on('data', (d) => {
      out += d;
      const found = /Der Shop läuft unter (\S+)/.exec(out);
      if (!found) return;
      clearTimeout(timer);
      resolve({
        url: found[1],
        async stop() {
          if (child.exitCode === null) child.kill('SIGINT');
          assert.equal(await exited, 0, `serve endete mit Fehler:\n${out}\n${err}`);
          assert.match(out, /Der Web-Server wurde beendet\./);
        },
      });
    });
    exited.then((code) => reject(new Error(`serve endete (${code}):\n${out}\n${err}`)));
  });
}

// A loopback SMTP server that accepts everything and keeps each message.
function smtpSink() {
  const messages = [];
  const server = net.createServer((socket) => {
    let buffer = '';
    let message = null;
    socket.on('error', () => {}); // a client may reset once it has its reply to QUIT
    socket.write('220 sink ESMTP\r\n');
    socket.on('data', (chunk) => {
      buffer += chunk.toString('latin1');
      for (let end; (end = buffer.indexOf('\r\n')) >= 0; ) {
        const line = buffer.slice(0, end);
        buffer = buffer.slice(end + 2);
        if (message && message.reading) {
          if (line === '.') {
            message.reading = false;
            messages.push(message);
            message = { rcpt: [] };
            socket.write('250 queued\r\n');
          } else message.data += line + '\r\n';
        } else if (/^mail from:/i.test(line)) {
          message = { from: line.slice(10), rcpt: [], data: '' };
          socket.write('250 ok\r\n');
        } else if (/^rcpt to:/i.test(line)) {
          message.rcpt.push(line.slice(8));
          socket.write('250 ok\r\n');
        } else if (/^data$/i.test(line)) {
          message.reading = true;
          socket.write('354 go ahead\r\n');
        } else if (/^quit$/i.test(line)) {
          socket.end('221 bye\r\n');
        } else socket.write('250 ok\r\n');
      }
    });
  });
  return new Promise((resolve) =>
    server.listen(0, '127.0.0.1', () =>
      resolve({ port: server.address().port, messages, close: () => server.close() && server.unref() }),
    ),
  );
}

async function submit(page, name, options = {}) {
  await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), page.click(`[name="${name}"]`, options)]);
}

async function setField(page, name, value) {
  const field = page.locator(`[name="${name}"]`).first();
  const tag = await field.evaluate((e) => e.tagName + ':' + (e.type || ''));
  if (tag.startsWith('SELECT')) await field.selectOption(value);
  else if (/radio|checkbox/i.test(tag)) await page.check(`[name="${name}"][value="${value}"]`);
  else await field.fill(value);
}

async function text(page) {
  return page.evaluate(() => document.body.innerText);
}

const customer = {
  b_firstname: 'Erika',
  b_name: 'Muster',
  b_street: 'Lindenweg 3',
  b_zip: '79100',
  b_city: 'Freiburg',
  b_country: 'Deutschland',
  b_phone: '0761 555',
  b_fax: '0761 556',
  b_email: 'erika@example.org',
};

// One whole order; returns the receipt's text. `shots` names the screenshots.
async function order(context, entryUrl, { channel, payment, gift, shots }) {
  const page = await context.newPage();
  const failed = [];
  page.on('requestfailed', (request) => failed.push(request.url()));
  page.on('dialog', (dialog) => {
    failed.push(`dialog: ${dialog.message()}`);
    dialog.dismiss();
  });
  await page.goto(entryUrl, { waitUntil: 'load' });
  assert.match(await page.title(), /Gartenwelt Sonnenschein/);
  if (shots) await page.screenshot({ path: path.join(screenshots, `${shots}-storefront.png`), fullPage: true });
  await submit(page, 'categorypage_1');
  assert.match(await text(page), /Spaten, Scheren und Harken/);
  await submit(page, 'detailpage_1');
  assert.match(await text(page), /Spaten "Robust"/);
  await page.check('[name="add_1|1"]');
  await page.check('[name="add_1|2"]');
  await submit(page, 'buy_1');
  await page.fill('[name="ov_1|1"]', '2');
  await submit(page, 'show_recalc');
  const cart = await text(page);
  assert.match(cart, new RegExp(`Summe\\s+${money(GOODS)}`), 'cart total after recalculating');
  if (shots) await page.screenshot({ path: path.join(screenshots, `${shots}-cart.png`), fullPage: true });
  await submit(page, 'show_order');

  const entries = {
    0: customer,
    1: gift ? { gift_wrap: 'Sommerblumen', gift_txt: 'Alles Gute\nzum Geburtstag!' } : {},
    2: { send_via: channel, versand: '00_DHL Paket', payment_typ: payment },
    3: { agb_accept: 'yes' },
  };
  const steps = [];
  for (;;) {
    const at = await page.locator('form[action*="order"] [name="ActivPage"]').first().getAttribute('value').catch(() => null);
    if (at === null || (await page.locator('[name="show_next"]').count()) === 0) break;
    assert.ok(!steps.includes(at), `Schritt ${at} wiederholt sich: ${await text(page)}`);
    steps.push(at);
    for (const [name, value] of Object.entries(entries[at] || {})) await setField(page, name, value);
    await submit(page, 'show_next');
  }
  assert.deepEqual(steps, ['0', '1', '2', '3']);
  const receipt = await text(page);
  if (shots) await page.screenshot({ path: path.join(screenshots, `${shots}-receipt.png`), fullPage: true });
  assert.deepEqual(await brokenImages(page), [], 'pictures that did not load');
  assert.deepEqual(failed, [], 'failed requests or script dialogs');
  await page.close();
  return receipt;
}

function mailsIn(folder) {
  if (!fs.existsSync(folder)) return [];
  return fs
    .readdirSync(folder)
    .filter((f) => f.endsWith('.eml'))
    .sort()
    .map((f) => fs.readFileSync(path.join(folder, f)).toString('latin1'));
}

fs.mkdirSync(screenshots, { recursive: true });
let browser;
const started = [];
after(async () => {
  for (const server of started) await server.stop().catch(() => {});
  if (browser) await browser.close();
});

test('the demo shop: every order channel, mail into the shop, totals by hand', { timeout: 300000 }, async () => {
  const shop = demoShop('shop', false);
  const server = await serve(shop);
  started.push(server);
  decimalComma = usesDecimalComma(shop);
  browser = await launchChromium();

  // Online order through the mail stand-in: 18.35 + 4.90 shipping + 0.00 Vorkasse.
  let receipt = await order(browser.context, server.url, { channel: 'AO1', payment: 'Vorkasse', shots: 'shop' });
  assert.match(receipt, /Vielen Dank für Ihre Bestellung/);
  assert.match(receipt, new RegExp(`Versandkosten \\(DHL Paket\\)\\s+${money('4.90')}`));
  assert.match(receipt, new RegExp(`Zahlungsbetrag\\s+${money('23.25')}`));
  const rate = decimalComma ? '19\\s%' : '19\\.00%';
  assert.match(receipt, new RegExp(`enthaltene Steuer ${rate}\\s+${money(CONTAINED_TAX)}`));
  const mails = mailsIn(shop.mail);
  assert.equal(mails.length, 2, 'the order and the copy for the customer');
  const [merchant, copy] = mails.sort((a, b) => (a.startsWith('To: bestellung') ? -1 : b.startsWith('To: bestellung') ? 1 : 0));
  assert.match(merchant, /^To: bestellung@gartenwelt\.example\nFrom: bestellung@gartenwelt\.example\nReply-to: erika@example\.org\nX-Mailer: Tolm! Vendora\nSubject: Gartenwelt Sonnenschein - Onlinebestellung\n/);
  assert.match(merchant, /^2 +GW-00001-1 +Spaten "Robust" +4\.95 +9\.90$/m);
  assert.match(merchant, /^1 +GW-00001-2 +Spaten "Robust" +8\.45 +8\.45$/m);
  assert.match(merchant, /^Zahlungsbetrag +23\.25$/m);
  assert.match(copy, /^To: erika@example\.org\n/);

  // Print and post, print and fax: no mail, the address to send it to; Rechnung +1.50.
  receipt = await order(browser.context, server.url, { channel: 'AO2', payment: 'Rechnung' });
  assert.match(receipt, new RegExp(`Zahlungsbetrag\\s+${money('24.75')}`));
  assert.match(receipt, /Lindenstraße 12/);
  receipt = await order(browser.context, server.url, { channel: 'AO3', payment: 'Vorkasse' });
  assert.match(receipt, /0761 123457/);
  assert.match(receipt, new RegExp(`Zahlungsbetrag\\s+${money('23.25')}`));
  assert.equal(mailsIn(shop.mail).length, 2, 'printed orders send no mail');

  // The storefront on a phone.
  const phone = await browser.context.newPage();
  await phone.setViewportSize({ width: 360, height: 740 });
  await phone.goto(server.url.replace(/index\.html$/, '') + 'cgi-bin/catalog.cgi', { waitUntil: 'load' });
  const width = await phone.evaluate(() => document.documentElement.scrollWidth);
  await phone.screenshot({ path: path.join(screenshots, 'phone-360x740.png') });
  assert.ok(width <= 360, `the storefront is ${width} pixels wide on a 360-pixel phone`);
  await phone.close();

  // Hostile input through the real server: echoes escaped, no extra mail head line,
  // tampered quantities and IDs refused.
  const script = server.url.replace(/index\.html$/, '') + 'cgi-bin/';
  const probe = `<script>alert("x")</script>'`;
  const post = async (file, fields) => {
    const response = await fetch(script + file, { method: 'POST', body: new URLSearchParams(fields) });
    return { status: response.status, body: Buffer.from(await response.arrayBuffer()).toString('latin1') };
  };
  let reply = await post('catalog.cgi', { search_string: probe, show_search: 'x' });
  assert.doesNotMatch(reply.body, /<script>alert/);
  assert.match(reply.body, /&lt;script&gt;alert\(&quot;x&quot;\)&lt;\/script&gt;&#39;/);
  for (const quantity of ['-2', '1e9', '99999999']) {
    reply = await post('catalog.cgi', { 'ov_1|1': quantity, show_wk: 'x' });
    assert.doesNotMatch(reply.body, new RegExp(`NAME="ov_1\\|1" VALUE="${quantity}"`), `quantity ${quantity} kept`);
    assert.match(reply.body, /wurde nicht &uuml;bernommen/, `quantity ${quantity} not refused`);
  }
  reply = await post('catalog.cgi', { 'detailpage_../../etc/passwd': 'x' });
  assert.doesNotMatch(reply.body, /root:/);
  reply = await post('catalog.cgi', { 'ov_../1|1': '1', show_wk: 'x' });
  assert.match(reply.body, /ung&uuml;ltiger Warenkorbeintrag/);
  const injected = { ...customer, b_name: 'Muster\r\nBcc: victim@example.org', b_email: 'x@example.org\r\nBcc: v@example.org' };
  reply = await post('order.cgi', { ...injected, 'ov_1|1': '3', ActivPage: '0', show_next: 'x' });
  assert.doesNotMatch(reply.body, /<script>alert/);
  assert.ok(mailsIn(shop.mail).every((m) => !/^Bcc:/im.test(m)), 'no extra mail head line');
  const page = await browser.context.newPage();
  const dialogs = [];
  page.on('dialog', (d) => dialogs.push(d.message()) && d.dismiss());
  await page.goto(script + 'catalog.cgi', { waitUntil: 'load' });
  await submit(page, 'show_search');
  await page.fill('[name="search_string"]', probe);
  await submit(page, 'show_search');
  assert.deepEqual(dialogs, [], 'a script from the search text ran');
  await page.close();
  await server.stop();
  started.pop();
});

test('gift service, order mail by SMTP to a loopback sink', { timeout: 300000 }, async () => {
  const sink = await smtpSink();
  const shop = demoShop('smtpshop', false);
  const server = await serve(shop, ['--smtp', `127.0.0.1:${sink.port}`]);
  started.push(server);
  decimalComma = usesDecimalComma(shop);
  browser = browser || (await launchChromium());
  // 18.35 + 4.90 + wrap 2.50 once per order + message 1.00 = 26.75
  const receipt = await order(browser.context, server.url, { channel: 'AO1', payment: 'Vorkasse', gift: true });
  assert.match(receipt, new RegExp(`Zahlungsbetrag\\s+${money('26.75')}`));
  await server.stop();
  started.pop();
  sink.close();
  assert.equal(sink.messages.length, 2, 'order and copy by SMTP');
  const [merchant] = sink.messages.filter((m) => m.rcpt.includes('<bestellung@gartenwelt.example>'));
  assert.ok(merchant, 'the order reached the sales address');
  assert.equal(merchant.from, '<bestellung@gartenwelt.example>');
  assert.match(merchant.data, /^Subject: Gartenwelt Sonnenschein - Onlinebestellung\r\n/m);
  assert.match(merchant.data, /^Geschenkservice +3\.50\r\n/m);
  assert.match(merchant.data, /^Zahlungsbetrag +26\.75\r\n/m);
  assert.match(merchant.data, /Alles Gute\r\nzum Geburtstag!/);
  assert.equal(mailsIn(shop.mail).length, 0, 'nothing went to the mail folder');
});

test('a text-only shop, gift wrap charged per item', { timeout: 300000 }, async () => {
  // The merchant's "per item" switch: the wrap costs 2.50 for each of the three items.
  const shop = demoShop('textshop', true, 'UPDATE Options SET WrapPerItem = 1');
  const server = await serve(shop);
  started.push(server);
  decimalComma = usesDecimalComma(shop);
  browser = browser || (await launchChromium());
  const receipt = await order(browser.context, server.url, {
    channel: 'AO1',
    payment: 'Vorkasse',
    gift: true,
    shots: 'textonly',
  });
  // 18.35 + 4.90 + 3 x 2.50 + 1.00
  assert.match(receipt, new RegExp(`Zahlungsbetrag\\s+${money('31.75')}`));
  const page = await browser.context.newPage();
  await page.goto(server.url, { waitUntil: 'load' });
  assert.equal(await page.locator('input[type=image i], img[src*="/cats/"], img[src*="/prods/"]').count(), 0,
    'a text-only shop shows no picture buttons or product pictures');
  // Text buttons on a phone: they wrap, and each is a fingertip's size.
  await page.setViewportSize({ width: 360, height: 740 });
  await page.goto(server.url.replace(/index\.html$/, '') + 'cgi-bin/catalog.cgi', { waitUntil: 'load' });
  const problems = await checkPage(page, 'text-only storefront at 360px');
  await submit(page, 'categorypage_1');
  await page.screenshot({ path: path.join(screenshots, 'textonly-category-360.png'), fullPage: true });
  problems.push(...(await checkPage(page, 'text-only category at 360px')));
  assert.deepEqual(problems, []);
  await page.close();
  assert.equal(mailsIn(shop.mail).length, 2);
  await server.stop();
  started.pop();
});

// Every page a customer meets, on a 360-pixel phone and at 1280 pixels: nothing scrolls
// sideways, every price and tick box shows, tap targets are large enough, axe-core finds
// nothing serious, the legal pages are a tap away, a missing field is marked beside it
// and the order button says what the law wants.
test('phones and desktops: readable, tappable, accessible, lawful', { timeout: 300000 }, async () => {
  const shop = demoShop('pageshop', false);
  const server = await serve(shop);
  started.push(server);
  decimalComma = usesDecimalComma(shop);
  browser = browser || (await launchChromium());
  const script = server.url.replace(/index\.html$/, '') + 'cgi-bin/catalog.cgi';
  const problems = [];
  for (const [width, height] of [[360, 740], [1280, 800]]) {
    const page = await browser.context.newPage();
    await page.setViewportSize({ width, height });
    const look = async (name) => {
      await page.screenshot({ path: path.join(screenshots, `${name}-${width}.png`), fullPage: true });
      problems.push(...(await checkPage(page, `${name} at ${width}px`)));
    };
    await page.goto(script, { waitUntil: 'load' });
    await look('storefront');
    await submit(page, 'categorypage_1');
    await look('category');
    await submit(page, 'detailpage_1');
    await look('product');
    assert.match(await text(page), /Preise inkl\. MwSt\., zzgl\./, 'tax and shipping beside the prices');
    assert.equal(await page.locator('.note [name="show_shipping"]').first().getAttribute('value'), 'Versandkosten');

    // Each legal page from the product's page, and back to it with the button of the shop.
    const legal = [
      ['show_imprint', /Angaben gemäß §\s5 DDG[\s\S]*Lindenstraße 12[\s\S]*79098\sFreiburg[\s\S]*info@gartenwelt\.example/],
      ['show_privacy', /Datenschutzerklärung[\s\S]*DSGVO/],
      ['show_agb', /Lieferung innerhalb von drei Werktagen/],
      ['show_withdrawal', /Widerrufsbelehrung[\s\S]*vierzehn Tage/],
      ['show_shipping', new RegExp(`DHL Paket[\\s\\S]*bis unter 5 kg\\s+${money('4.90')}`)],
    ];
    for (const [button, content] of legal) {
      await submit(page, button);
      assert.match(await text(page), content, `${button} at ${width}px`);
      await look(button.replace('show_', ''));
      await submit(page, 'show_back');
      assert.match(await text(page), /Spaten "Robust"/, `back from ${button}`);
    }

    await page.check('[name="add_1|1"]');
    await page.check('[name="add_1|2"]');
    await submit(page, 'buy_1');
    await page.fill('[name="ov_1|1"]', '2');
    await submit(page, 'show_recalc');
    await look('cart');
    await submit(page, 'show_order');
    await look('step0');

    // The family name left out: marked beside its field, every other entry kept.
    for (const [name, value] of Object.entries(customer)) if (name !== 'b_name') await setField(page, name, value);
    await submit(page, 'show_next');
    await look('step0-missing');
    const field = page.locator('#b_name');
    assert.equal(await field.getAttribute('aria-invalid'), 'true', 'the missing name is marked');
    const why = page.locator(`#${await field.getAttribute('aria-describedby')}`);
    assert.match(await why.innerText(), /Bitte ausfüllen/);
    const [box, note] = [await field.boundingBox(), await why.boundingBox()];
    assert.ok(note.y >= box.y && note.y - (box.y + box.height) < 30 && Math.abs(note.x - box.x) < 200, 'the note is beside the field');
    assert.equal(await page.inputValue('#b_firstname'), 'Erika', 'entries kept');
    assert.equal(await page.locator('[aria-invalid=true]').count(), 1, 'nothing else marked');
    assert.equal(await page.$eval('#b_email', (e) => e.type), 'email', 'a phone offers its e-mail keyboard');

    await page.fill('#b_name', 'Muster');
    await submit(page, 'show_next');
    await look('step1');
    await submit(page, 'show_next');
    await setField(page, 'send_via', 'AO1');
    await setField(page, 'versand', '00_DHL Paket');
    await setField(page, 'payment_typ', 'Vorkasse');
    await look('step2');
    await submit(page, 'show_next');
    await look('step3');
    assert.equal(await page.locator('[name="show_next"]').getAttribute('value'), 'zahlungspflichtig bestellen');
    // The legal links of an order step open beside it; the entries stay.
    const [imprint] = await Promise.all([
      page.waitForEvent('popup'),
      page.locator('[role=navigation] a', { hasText: 'Impressum' }).click(),
    ]);
    await imprint.waitForLoadState('load');
    assert.match(await imprint.evaluate(() => document.body.innerText), /Angaben gemäß §\s5 DDG/);
    await imprint.close();
    // Without the tick the order does not go out.
    await submit(page, 'show_next');
    assert.match(await text(page), /Bitte stimmen Sie unseren Geschäftsbedingungen zu/);
    assert.equal(await page.getAttribute('#agb_accept', 'aria-invalid'), 'true');
    await page.check('#agb_accept');
    await submit(page, 'show_next');
    assert.match(await text(page), /Vielen Dank für Ihre Bestellung/);
    assert.match(await text(page), new RegExp(`Zahlungsbetrag\\s+${money('23.25')}`));
    await look('receipt');
    await page.close();
  }
  assert.deepEqual(problems, []);
  const [copy] = mailsIn(shop.mail).filter((m) => m.startsWith('To: erika'));
  assert.match(copy, /\nAllgemeine Geschäftsbedingungen\n=+\nLieferung innerhalb von drei Werktagen\./, 'terms in the mail');
  assert.match(copy, /\nWiderrufsbelehrung\n=+\nWiderrufsrecht\n/, 'withdrawal notice in the mail');
  await server.stop();
  started.pop();
});

// The entry page is static HTML that the program writes; it must meet the same marks,
// and its legal buttons open the catalogue script's pages.
test('the entry page on a phone', { timeout: 120000 }, async () => {
  const shop = demoShop('entryshop', false);
  const server = await serve(shop);
  started.push(server);
  browser = browser || (await launchChromium());
  const page = await browser.context.newPage();
  await page.setViewportSize({ width: 360, height: 740 });
  await page.goto(server.url, { waitUntil: 'load' });
  await page.screenshot({ path: path.join(screenshots, 'entry-360.png'), fullPage: true });
  const problems = await checkPage(page, 'entry page at 360px');
  await submit(page, 'show_imprint');
  assert.match(await text(page), /Angaben gemäß §\s5 DDG[\s\S]*Lindenstraße 12/, 'the imprint from the entry page');
  await page.goto(server.url, { waitUntil: 'load' });
  await submit(page, 'show_shipping');
  assert.match(await text(page), /DHL Paket/, 'the shipping costs from the entry page');
  await page.close();
  await server.stop();
  started.pop();
  assert.deepEqual(problems, []);
});
