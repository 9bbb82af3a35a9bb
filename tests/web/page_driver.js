// page_driver.js - what the browser cases share: the panel file's places,
// the page in headless chromium (one or more tabs of one browser), clicks
// at a control's drawn place, a tab by its text, typing into a field, the
// message boxes the page shows, and the module's log.
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

// In the page, before its scripts: the chooser's stand-in. Headless
// chromium shows no chooser, so requestDevice would never settle. A person
// picks what the chooser lists: the module the policy grants the page, or,
// where there is none, nothing (an empty list, as after "Cancel").
function chooser_stand_in() {
  if (navigator.hid) navigator.hid.requestDevice = async () => navigator.hid.getDevices();
}

// A new tab of `browser` with the page loaded; `before` runs in it before
// the page's scripts. at(panel, constant) is the centre of a control's
// drawn place in the page's pixels (a page's controls lie within it).
async function open_page(browser, before) {
  const page = await browser.newPage();
  await page.setViewport({width: 800, height: 700});
  const pages = (await browser.pages()).length;
  page.on('console', (message) => console.log('page ' + pages + ': ' + message.text()));
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
  return {page, at};
}

// Debian's chromium, headless, with a window the panel fits in.
function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=800,700'],
  });
}

// Runs `body(page, at, another)` on the loaded page; another() opens the
// page once more in a second tab of the same browser ({page, at}).
async function with_page(before, body) {
  const browser = await launch();
  try {
    const {page, at} = await open_page(browser, before);
    await body(page, at, () => open_page(browser, before));
  } finally {
    await browser.close();
  }
}

// The tab of the page's tab strip whose text is `text`, clicked.
async function click_tab(page, text) {
  for (const tab of await page.$$('[role=tab]')) {
    if ((await tab.evaluate((t) => t.textContent)) !== text) continue;
    const box = await tab.boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
    return;
  }
  throw new Error('no tab "' + text + '"');
}

// A numeric's field (right of its arrows) clicked, all of its text
// selected, `text` typed over it.
async function type_into(page, at, panel, constant, text) {
  const c = at(panel, constant);
  await page.mouse.click(c.x + entry(panel, constant).width / 4, c.y, {clickCount: 3});
  await page.keyboard.type(text);
}

// The open message box's title and message, once it is up.
async function box_text(page, timeout = 10000) {
  const box = await page.waitForSelector('dialog[open]', {timeout});
  return {box, title: await box.$eval('h2', (e) => e.textContent),
          message: await box.$eval('p', (e) => e.textContent)};
}

// Every message box the page shows, each read and closed by a click on
// its OK, until none has come for `quiet_ms` (the first may take
// `first_ms`): [{title, message, at}], `at` the time it was seen.
async function boxes(page, {first_ms = 10000, quiet_ms = 2500} = {}) {
  const seen = [];
  for (;;) {
    const shown = await box_text(page, seen.length === 0 ? first_ms : quiet_ms).catch(() => null);
    if (!shown) return seen;
    seen.push({title: shown.title, message: shown.message, at: Date.now()});
    const ok = await (await shown.box.$('button')).boundingBox();
    await page.mouse.click(ok.x + ok.width / 2, ok.y + ok.height / 2);
    await page.waitForFunction((box) => !box.open, {timeout: 5000}, shown.box);
  }
}

// The module's log as events, in order: {kind: 'report', number, function,
// setting, time1, time2, ok}, {kind: 'answered', number}, {kind: 'removed'}.
function module_events() {
  const report = new RegExp(' report ([0-9]+): function ([0-9]+) setting ([0-9]+) ' +
                            'time1 ([0-9]+) ms time2 ([0-9]+) ms checksum [0-9a-f]+ (ok|bad)');
  const events = [];
  for (const line of module_log().split('\n')) {
    let m = line.match(report);
    if (m) {
      events.push({kind: 'report', number: +m[1], function: +m[2], setting: +m[3],
                   time1: +m[4], time2: +m[5], ok: m[6] === 'ok'});
    } else if ((m = line.match(/ answered report ([0-9]+)$/))) {
      events.push({kind: 'answered', number: +m[1]});
    } else if (/ removed$/.test(line)) {
      events.push({kind: 'removed'});
    }
  }
  return events;
}

function run(before, body) {
  with_page(before, body).catch((error) => fail(error.stack || String(error)));
}

module.exports = {entry, fail, module_log, module_events, chooser_stand_in, click_tab, type_into,
                  box_text, boxes, run, launch};
