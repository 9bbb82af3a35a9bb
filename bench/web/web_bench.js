// web_bench.js - the page in headless chromium, against the virtual module
// (run by web_bench.sh through tests/web/browser_test.sh, which serves the
// bench's folder at KX418_PAGE):
//
// 1. Start: navigation start to the first frame that shows the panel, for
//    the site (index.html) and for the bare page (bare.html), taking
//    turns, each load in a fresh browser profile (a first visit), then
//    once more in the same profile (a return: its caches and, for the
//    site, its service worker); medians and ratios. Also the browser's own
//    first contentful paint, and the bytes each load took.
// 2. One transfer through the library in WebAssembly (exchange.html:
//    KX418_Open, KX418_Send_Cfg, KX418_Get_Reply, KX418_Close), and one
//    exchange (Send_Cfg + Get_Reply) on a module the library keeps open,
//    next to raw WebHID calls in the same page, in blocks that take turns;
//    medians, means and ratios.
//
// KX418_BENCH_RUNS loads of each page, KX418_BENCH_TRANSFERS transfers of
// each kind. Prints figures; fails only when something does not work.
'use strict';
const fs = require('fs');
const puppeteer = require('puppeteer-core');

const base = process.env.KX418_PAGE;
const runs = Math.max(1, Number(process.env.KX418_BENCH_RUNS || 15));
const transfers = Math.max(1, Number(process.env.KX418_BENCH_TRANSFERS || 500));
const block = Math.min(50, transfers);

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

function mean(values) {
  return values.reduce((a, b) => a + b, 0) / values.length;
}

// In the page, before its scripts: the moment the panel's client area is
// shown, and the end of the frame that first paints it (the first
// animation frame after it is shown, then a task queued from there: the
// frame's style, layout and paint come between the two). The browser's
// paint timings are kept too.
function watch() {
  const b = {};
  window.kx418Bench = b;
  b.done = new Promise((resolve) => { b.finish = resolve; });
  const check = () => {
    if (b.painted !== undefined && b['first-contentful-paint'] !== undefined) b.finish();
  };
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) b[entry.name] = entry.startTime;
    check();
  }).observe({type: 'paint', buffered: true});
  const seen = () => {
    const client = document.querySelector('.kx418-client');
    if (!client || !client.checkVisibility()) return false;
    b.shown = performance.now();
    b.elements_shown = client.querySelectorAll('*').length;
    requestAnimationFrame(() => {
      const channel = new MessageChannel();
      channel.port1.onmessage = () => {
        b.painted = performance.now();
        b.elements_painted = client.querySelectorAll('*').length;
        check();
      };
      channel.port2.postMessage(0);
    });
    return true;
  };
  const observer = new MutationObserver(() => { if (seen()) observer.disconnect(); });
  // The site's runtime ready (its .wasm compiled and instantiated, main
  // about to start): the page's Module object is wrapped as it is set.
  let module;
  Object.defineProperty(window, 'Module', {
    configurable: true,
    get: () => module,
    set: (value) => {
      module = value;
      const ready = value && value.onRuntimeInitialized;
      if (typeof ready !== 'function' || ready.kx418Bench) return;
      value.onRuntimeInitialized = function () {
        b.runtime = performance.now();
        return ready.apply(this, arguments);
      };
      value.onRuntimeInitialized.kx418Bench = true;
    },
  });
  observer.observe(document, {childList: true, subtree: true, attributes: true,
                              attributeFilter: ['style', 'class', 'hidden']});
}

async function load(page, url) {
  await page.goto(url, {waitUntil: 'domcontentloaded', timeout: 30000});
  await page.evaluate(() => window.kx418Bench.done);
  // The resource timing entries come in a little after their files are
  // used (the .wasm's once its compilation has taken it): the count waits
  // until none has come for 200 ms. The figures are taken already.
  await page.evaluate(async () => {
    let count = -1;
    while (count !== performance.getEntriesByType('resource').length) {
      count = performance.getEntriesByType('resource').length;
      await new Promise((resolve) => setTimeout(resolve, 200));
    }
  });
  return page.evaluate(() => {
    const b = window.kx418Bench;
    let bytes = 0;
    const received = {};
    for (const entry of performance.getEntriesByType('navigation')) bytes += entry.transferSize;
    for (const entry of performance.getEntriesByType('resource')) {
      bytes += entry.transferSize;
      received[entry.name.replace(/.*\//, '')] = entry.responseEnd;
    }
    return {shown: b.shown, painted: b.painted, fcp: b['first-contentful-paint'], bytes,
            js: received['KX418.js'], wasm: received['KX418.wasm'], runtime: b.runtime,
            elements_shown: b.elements_shown, elements_painted: b.elements_painted};
  });
}

// A first visit and a return, in a fresh profile.
async function visit(browser, url) {
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    await page.setViewport({width: 800, height: 700});
    page.on('pageerror', (error) => {
      console.error('FAIL: page error on ' + url + ': ' + error.message);
      process.exitCode = 1;
    });
    await page.evaluateOnNewDocument(watch);
    const first = await load(page, url);
    const again = await load(page, url);
    return {first, again};
  } finally {
    await context.close();
  }
}

async function start(browser) {
  const pages = [['site (index.html)', base], ['bare page (bare.html)', base + 'bare.html']];
  const figures = pages.map(() => ({first: [], again: []}));
  // One untimed visit of each first: the browser's own start-up work is
  // not counted on either.
  for (let run = -1; run < runs; ++run) {
    for (let p = 0; p < pages.length; ++p) {
      const v = await visit(browser, pages[p][1]);
      if (run < 0) continue;
      figures[p].first.push(v.first);
      figures[p].again.push(v.again);
    }
  }
  console.log('== start: navigation start to the first frame with the panel, median of ' + runs +
              ' loads each, taking turns');
  const row = (name, list) => {
    const m = {painted: median(list.map((f) => f.painted)), fcp: median(list.map((f) => f.fcp)),
               shown: median(list.map((f) => f.shown)), bytes: median(list.map((f) => f.bytes))};
    console.log('  ' + name.padEnd(34) + 'panel painted ' + m.painted.toFixed(1).padStart(7) +
                ' ms   (shown ' + m.shown.toFixed(1).padStart(7) + ' ms, first contentful paint ' +
                m.fcp.toFixed(1).padStart(7) + ' ms)   ' + String(m.bytes).padStart(7) +
                ' bytes loaded');
    return m;
  };
  for (const kind of ['first', 'again']) {
    console.log(kind === 'first' ? ' first visit (fresh profile):'
                                 : ' return (same profile: its caches, the site\'s service worker):');
    const m = pages.map((p, i) => row(p[0], figures[i][kind]));
    const site = figures[0][kind];
    const at = (key) => median(site.map((f) => f[key])).toFixed(1);
    console.log('  the site, medians: KX418.js received ' + at('js') + ' ms, KX418.wasm received' +
                ' (compiled) ' + at('wasm') + ' ms, runtime ready ' + at('runtime') +
                ' ms, panel shown ' + at('shown') + ' ms');
    console.log('  ratio site/bare: panel painted ' + (m[0].painted / m[1].painted).toFixed(2) +
                'x, first contentful paint ' + (m[0].fcp / m[1].fcp).toFixed(2) +
                'x   (goal: within 1.5x)');
  }
  const counts = figures.map((f) => f.first[0]);
  console.log('  elements in the client area when shown / at its first frame: site ' +
              counts[0].elements_shown + ' / ' + counts[0].elements_painted + ', bare ' +
              counts[1].elements_shown + ' / ' + counts[1].elements_painted);
}

// In the exchange page: every kind of transfer, in blocks of `block` that
// take turns (the order turns round each round), each transfer timed on
// its own. The report is the one the library builds for function 3,
// setting 0, 10 s and 20 s; the module answers "!" to it.
async function exchange_in_page(transfers, block) {
  const crc8 = (bytes) => {
    let crc = 0xDE;
    for (let data of bytes) {
      for (let bit = 0; bit < 8; ++bit) {
        crc = ((data ^ crc) & 1) ? (crc >> 1) ^ 0x8C : crc >> 1;
        data >>= 1;
      }
    }
    return crc;
  };
  const report = new Uint8Array(16);
  const view = new DataView(report.buffer);
  report[1] = 3;
  report[2] = 0;
  view.setUint32(3, 10000, true);
  view.setUint32(7, 20000, true);
  report[0] = crc8(report.subarray(1, 11));

  const [device] = await navigator.hid.getDevices();
  if (!device) throw new Error('the page finds no module (getDevices)');
  const lock_name = 'hid:' + device.vendorId + ':' + device.productId + ':' + device.productName;
  // The Web Lock as the library takes it: held until `release` is called.
  const lock = () => new Promise((granted, failed) => {
    let release;
    const held = new Promise((resolve) => { release = resolve; });
    navigator.locks.request(lock_name, () => { granted(release); return held; }).catch(failed);
  });
  // The next input report on `d`, its first byte checked.
  const reply = (d) => new Promise((resolve) => {
    const listener = (event) => {
      d.removeEventListener('inputreport', listener);
      resolve(event.data.getUint8(0) === 0x21);
    };
    d.addEventListener('inputreport', listener);
  });

  // Open, send and reply, close: the part of a transfer on the device.
  const open_transfer = async (d) => {
    await d.open();
    const answered = reply(d);
    await d.sendReport(0, report);
    const ok = await answered;
    await d.close();
    return ok;
  };

  let kept_answer = null;
  const kept_listener = (event) => { if (kept_answer) kept_answer(event.data.getUint8(0) === 0x21); };
  const kinds = {
    'library: Open, Send_Cfg, Get_Reply, Close (wasm)': {
      async run() {
        return await Module.ccall('Bench_Library_Transfer', 'number',
                                  ['number', 'number', 'number', 'number'], [3, 0, 10000, 20000],
                                  {async: true}) === 1;
      },
    },
    'library, module kept open: Send_Cfg + Get_Reply': {
      // The exchange alone, as the sequencer makes its nine on one open:
      // the module opened by the library before the block, closed after.
      async before() {
        if (await Module.ccall('Bench_Library_Open', 'number', [], [], {async: true}) !== 1) {
          throw new Error('the library does not open the module (KX418_Open)');
        }
      },
      async run() {
        return await Module.ccall('Bench_Library_Exchange', 'number',
                                  ['number', 'number', 'number', 'number'], [3, 0, 10000, 20000],
                                  {async: true}) === 1;
      },
      async after() {
        if (await Module.ccall('Bench_Library_Close', 'number', [], [], {async: true}) !== 1) {
          throw new Error('the library does not close the module (KX418_Close)');
        }
      },
    },
    'raw, device kept open: sendReport + inputreport': {
      async before() { await device.open(); device.addEventListener('inputreport', kept_listener); },
      async run() {
        const answered = new Promise((resolve) => { kept_answer = resolve; });
        await device.sendReport(0, report);
        return answered;
      },
      async after() { device.removeEventListener('inputreport', kept_listener); await device.close(); },
    },
    'raw, the library\'s steps': {
      // getDevices, open (probe), lock, close, then one open transfer and
      // unlock: the browser calls the library makes, in its order.
      async run() {
        const [d] = await navigator.hid.getDevices();
        await d.open();
        const release = await lock();
        await d.close();
        const ok = await open_transfer(d);
        release();
        return ok;
      },
    },
    'raw, one open per transfer': {
      // getDevices, lock, one open transfer, unlock.
      async run() {
        const [d] = await navigator.hid.getDevices();
        const release = await lock();
        const ok = await open_transfer(d);
        release();
        return ok;
      },
    },
    'step: getDevices()': {
      async run() { return (await navigator.hid.getDevices()).length === 1; },
    },
    'step: Web Lock request + release': {
      async run() { (await lock())(); return true; },
    },
    'step: open() + close()': {
      async run() { await device.open(); await device.close(); return true; },
    },
  };
  const names = Object.keys(kinds);
  const times = Object.fromEntries(names.map((n) => [n, []]));
  const failed = Object.fromEntries(names.map((n) => [n, 0]));
  // One untimed block of each first.
  for (let round = -1; round * block < transfers; ++round) {
    for (let k = 0; k < names.length; ++k) {
      const name = names[(k + Math.max(round, 0)) % names.length];
      const kind = kinds[name];
      if (kind.before) await kind.before();
      for (let i = 0; i < block; ++i) {
        const begin = performance.now();
        const ok = await kind.run();
        const end = performance.now();
        if (!ok) ++failed[name];
        else if (round >= 0) times[name].push(end - begin);
      }
      if (kind.after) await kind.after();
    }
  }
  return {times, failed};
}

async function exchange(browser) {
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    page.on('console', (message) => console.log('page: ' + message.text()));
    await page.goto(base + 'exchange.html');
    await page.evaluate(() => window.benchReady);
    const {times, failed} = await page.evaluate(exchange_in_page, transfers, block);
    console.log('== one transfer against the virtual module (a module that answers at once), ' +
                transfers + ' of each, blocks of ' + block + ' taking turns');
    const figure = {};
    for (const [name, list] of Object.entries(times)) {
      if (failed[name] > 0) throw new Error(name + ': ' + failed[name] + ' transfers failed');
      figure[name] = {median: median(list), mean: mean(list)};
      console.log('  ' + name.padEnd(52) + 'median ' + figure[name].median.toFixed(2).padStart(7) +
                  ' ms   mean ' + figure[name].mean.toFixed(2).padStart(7) + ' ms');
    }
    const names = Object.keys(times);
    const ratio = (a, b) => 'median ' + (figure[a].median / figure[b].median).toFixed(2) +
                            'x   mean ' + (figure[a].mean / figure[b].mean).toFixed(2) + 'x';
    // The exchange on a kept-open module against the raw one: the goal.
    console.log('  ratio library kept open / ' + names[2].padEnd(47) + ' ' + ratio(names[1], names[2]));
    // The whole transfer against each raw kind.
    for (const name of names.slice(2, 5)) {
      console.log('  ratio library transfer / ' + name.padEnd(48) + ' ' + ratio(names[0], name));
    }
    console.log('  (goal: the library\'s exchange on a kept-open module within 1.1x of the raw' +
                ' kept-open exchange; the page\'s clock has 0.1 ms steps)');
  } finally {
    await context.close();
  }
  const log = fs.readFileSync(process.env.KX418_MODULE_LOG, 'utf8');
  const ok = (log.match(/checksum [0-9a-f]+ ok/g) || []).length;
  const bad = (log.match(/checksum [0-9a-f]+ bad/g) || []).length;
  console.log('  the module took ' + ok + ' reports with a good checksum, ' + bad + ' with a bad one');
  if (bad > 0) throw new Error('the module got reports with a bad checksum');
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--window-size=800,700'],
  });
  try {
    const what = process.env.KX418_BENCH_PARTS || 'start,exchange';
    if (what.includes('start')) await start(browser);
    if (what.includes('exchange')) await exchange(browser);
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error('FAIL: ' + (error.stack || String(error)));
  process.exitCode = 1;
});
