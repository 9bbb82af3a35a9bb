// page_driver.js - what the browser cases share: the panel file's places,
// the page in headless chromium, clicks at a control's drawn place, the
// message box the page shows, and the module's log.
'use strict';
const fs = require('fs');
const puppeteer = require('puppeteer-core');

const panel_file = process.env.KX418_PANEL_FILE;

// A panel's or control's place from the panel file: the record whose
// constant is given, within the panel given.
function entry(panel, constant) {
  let current = '';
  for (const line of fs.readFileSync(panel_file, 'utf8').split('\n')) {
    const words = line.split(' ');
    if (words[0] === 'panel') current = words[1];
    const name = words[0] === 'panel' ? words[1] : words[2];
    if (current !== panel || name !== constant) continue;
    const field = (key) => Number((line.match(new RegExp(' ' + key + '=(-?[0-9]+)')) || [])[1]);
    return {top: field('top'), left: field('left'), width: field('width'), height: field('height')};
  }
  throw new Error('no ' + constant + ' in ' + panel + ' in ' + panel_file);
}

function fail(message) {
  console.error('FAIL: ' + message);
  process.exitCode = 1;
}

function module_log() {
  const log = process.env.KX418_MODULE_LOG;
  return fs.existsSync(log) ? fs.readFileSync(log, 'utf8') : '';
}

// Debian's chromium, headless, with a window the panel fits in.
function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=800,700'],
  });
}

// Runs `body(page, at)` on the loaded page; `before` runs in the page
// before its scripts. at(panel, constant) is the centre of a control's
// drawn place in the page's pixels (a page's controls lie within it).
async function with_page(before, body) {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 800, height: 700});
    page.on('console', (message) => console.log('page: ' + message.text()));
    page.on('pageerror', (error) => fail('page error: ' + error.message));
    await page.evaluateOnNewDocument(before);
    await page.goto(process.env.KX418_PAGE);
    await page.waitForSelector('.kx418-client', {visible: true, timeout: 20000});
    const client = await (await page.$('.kx418-client')).boundingBox();
    const at = (panel, constant) => {
      const origin = panel === 'PANEL' ? {top: 0, left: 0} : entry(panel, panel);
      const r = entry(panel, constant);
      return {x: client.x + origin.left + r.left + r.width / 2,
              y: client.y + origin.top + r.top + r.height / 2};
    };
    await body(page, at);
  } finally {
    await browser.close();
  }
}

// The open message box's title and message, once it is up.
async function box_text(page) {
  const box = await page.waitForSelector('dialog[open]', {timeout: 10000});
  return {box, title: await box.$eval('h2', (e) => e.textContent),
          message: await box.$eval('p', (e) => e.textContent)};
}

function run(before, body) {
  with_page(before, body).catch((error) => fail(error.stack || String(error)));
}

module.exports = {entry, fail, module_log, box_text, run, launch};
