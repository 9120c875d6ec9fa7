// The preview pages of a shop in headless Chromium: the frame set and the storefront
// load, every picture they name is there, they carry the shop's name, and a screenshot
// of each is kept.
//
//   node preview.test.js PREVIEW_FOLDER SHOP_NAME SCREENSHOT_FOLDER
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { test } = require('node:test');
const { pathToFileURL } = require('node:url');
const { launchChromium, brokenImages } = require('./lib/chromium');

const [previewFolder, shopName, screenshots] = process.argv.slice(2);
if (!previewFolder || !shopName || !screenshots) {
  console.error('Aufruf: node preview.test.js VORSCHAU-ORDNER SHOPNAME SCREENSHOT-ORDNER');
  process.exit(2);
}

for (const file of ['FrameSet.html', 'StoreFront.html']) {
  test(`${file} zeigt den Shop mit allen Bildern`, async () => {
    const target = path.join(previewFolder, file);
    assert.ok(fs.existsSync(target), `${target} fehlt`);
    const browser = await launchChromium();
    try {
      const page = await browser.context.newPage();
      const failed = [];
      page.on('requestfailed', (request) => failed.push(request.url()));
      await page.goto(pathToFileURL(target).href, { waitUntil: 'load' });
      assert.equal(page.frames().length, file === 'FrameSet.html' ? 3 : 1, 'Anzahl der Rahmen');
      assert.ok((await page.title()).includes(shopName), `Titel ohne "${shopName}": ${await page.title()}`);
      if (file === 'StoreFront.html') {
        const text = await page.evaluate(() => document.body.innerText);
        assert.ok(text.length > 0);
      }
      assert.deepEqual(await brokenImages(page), [], 'Bilder, die nicht geladen werden');
      assert.deepEqual(failed, [], 'Anfragen, die scheiterten');
      fs.mkdirSync(screenshots, { recursive: true });
      await page.screenshot({ path: path.join(screenshots, file.replace('.html', '.png')), fullPage: true });
    } finally {
      await browser.close();
    }
  });
}
