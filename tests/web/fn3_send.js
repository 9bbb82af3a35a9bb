// fn3_send.js - the page as a person uses it, in headless chromium: on
// page "Fn3" type 10 and 20 into the two times and press "Einstellungen
// abschicken" where the panel file draws it, with real mouse and keyboard
// events. The module must log function 3 with 10000 and 20000 ms, checksum
// ok, and the page must show the "Info" box with the outcome.
// Run by browser_test.sh (KX418_PAGE, KX418_MODULE_LOG, KX418_PANEL_FILE).
'use strict';
const fs = require('fs');
const puppeteer = require('puppeteer-core');

const page_address = process.env.KX418_PAGE;
const module_log = process.env.KX418_MODULE_LOG;
const panel_file = process.env.KX418_PANEL_FILE;

// A panel's or control's places from the panel file: the record whose
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

(async () => {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=800,700'],
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 800, height: 700});
    page.on('console', (message) => console.log('page: ' + message.text()));
    page.on('pageerror', (error) => fail('page error: ' + error.message));
    // Headless chromium shows no chooser, so requestDevice would never
    // settle; the policy grants the module, so a person's pick is the
    // module the page already may use.
    await page.evaluateOnNewDocument(() => {
      if (navigator.hid)
        navigator.hid.requestDevice = async () => navigator.hid.getDevices();
    });
    await page.goto(page_address);
    await page.waitForSelector('.kx418-client', {visible: true, timeout: 20000});
    const client = await (await page.$('.kx418-client')).boundingBox();
    const tab_page = entry('TAB_FN3', 'TAB_FN3');
    // The drawn place of a control on page Fn3, in the page's pixels.
    const centre = (constant) => {
      const r = entry('TAB_FN3', constant);
      return {x: client.x + tab_page.left + r.left + r.width / 2,
              y: client.y + tab_page.top + r.top + r.height / 2};
    };
    const at = (x, y) => page.evaluate((x, y) => {
      const e = document.elementFromPoint(x, y);
      return e ? e.textContent : '';
    }, x, y);

    // The tab "Fn3", found by its text in the tab strip.
    const tabs = await page.$$('[role=tab]');
    let fn3 = null;
    for (const tab of tabs)
      if ((await tab.evaluate((t) => t.textContent)) === 'Fn3') fn3 = await tab.boundingBox();
    if (!fn3) throw new Error('no tab "Fn3"');
    await page.mouse.click(fn3.x + fn3.width / 2, fn3.y + fn3.height / 2);

    // Each time: into its field (right of the arrows), all of its text
    // selected, typed over.
    for (const [constant, text] of [['NUMERIC_T1_F3', '10'], ['NUMERIC_T2_F3', '20']]) {
      const r = entry('TAB_FN3', constant);
      const c = centre(constant);
      await page.mouse.click(c.x + r.width / 4, c.y, {clickCount: 3});
      await page.keyboard.type(text);
    }

    const send = centre('BUTTON_SEND_FN3');
    const under = await at(send.x, send.y);
    if (under !== 'Einstellungen abschicken')
      fail('at the place of "Einstellungen abschicken" the page shows "' + under + '"');
    await page.mouse.click(send.x, send.y);

    const box = await page.waitForSelector('dialog[open]', {timeout: 10000});
    const title = await box.$eval('h2', (e) => e.textContent);
    const message = await box.$eval('p', (e) => e.textContent);
    if (title !== 'Info' || message !== 'Die Einstellungen wurden abgeschickt!')
      fail('the box says "' + title + '": "' + message + '"');

    const log = fs.existsSync(module_log) ? fs.readFileSync(module_log, 'utf8') : '';
    if (!/report 1: function 3 setting [0-9]+ time1 10000 ms time2 20000 ms checksum [0-9a-f]+ ok/
             .test(log))
      fail('the module logged no report of function 3 with 10000 and 20000 ms:\n' + log);
    const reports = (log.match(/ report [0-9]+:/g) || []).length;
    if (reports !== 1) fail('the module got ' + reports + ' reports, not 1:\n' + log);

    // OK ends the box; the page takes input again.
    const ok = await (await box.$('button')).boundingBox();
    await page.mouse.click(ok.x + ok.width / 2, ok.y + ok.height / 2);
    await page.waitForSelector('dialog[open]', {hidden: true, timeout: 5000});
    if (!process.exitCode) console.log('ok: "Info" shown, function 3 sent with 10000 and 20000 ms');
  } finally {
    await browser.close();
  }
})().catch((error) => {
  fail(error.stack || String(error));
});
