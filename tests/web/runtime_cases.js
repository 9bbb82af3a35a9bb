// runtime_cases.js - the runtime's shared cases (tests/app's runtime,
// layout and reach cases) in the page, over the page's driver
// (runtime_driver_web.cpp). The cases run inside the page; what a person
// does they ask of this script through the page's function kx418Input,
// and it is done here with the browser's own mouse and keyboard (the
// DevTools protocol), and names are read from the browser's accessibility
// tree as a screen reader gets them. GoogleTest's output comes through
// the page's console. KX418_TEST_FILTER chooses cases as GoogleTest's
// filter does.
// Run by browser_test.sh with the runtime cases' site.
'use strict';
const {fail, launch} = require('./page_driver.js');

async function main() {
  const browser = await launch();
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 800, height: 700});
    const origin = new URL(process.env.KX418_PAGE).origin;
    await browser.defaultBrowserContext().overridePermissions(
        origin, ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    page.on('console', (message) => console.log(message.text()));

    await page.exposeFunction('kx418Input', async (json) => {
      const a = JSON.parse(json);
      switch (a.kind) {
      case 'mouse':
        await page.mouse.move(a.x, a.y);
        if (a.action === 'down') await page.mouse.down();
        else if (a.action === 'up') await page.mouse.up();
        else await page.mouse.click(a.x, a.y, {count: a.count});
        return '';
      case 'type':
        await page.keyboard.type(a.text);
        return '';
      case 'key':
        await page.keyboard.press(a.key);
        return '';
      case 'paste':
        // Onto the clipboard, then Ctrl+V into the field with the keyboard.
        await page.evaluate((text) => navigator.clipboard.writeText(text), a.text);
        await page.keyboard.down('Control');
        await page.keyboard.press('KeyV');
        await page.keyboard.up('Control');
        return '';
      case 'name': {
        const element = await page.$('[data-kx418-asked]');
        const node = element &&
            await page.accessibility.snapshot({root: element, interestingOnly: false});
        return node ? node.name : '(not in the accessibility tree)';
      }
      }
      throw new Error('unknown input ' + json);
    });
    let finished;
    const done = new Promise((resolve) => { finished = resolve; });
    await page.exposeFunction('kx418TestsDone', (result) => finished(result));
    // An error in the page ends the cases: nothing would go on after it.
    page.on('pageerror', (error) => finished('a page error: ' + error.message));

    const filter = process.env.KX418_TEST_FILTER || '';
    await page.goto(process.env.KX418_PAGE + '?filter=' + encodeURIComponent(filter));
    let timer;
    const result = await Promise.race([
      done,
      new Promise((resolve) => { timer = setTimeout(() => resolve('time is up'), 600000); }),
    ]);
    clearTimeout(timer);
    if (result !== 0) fail('the runtime cases ended with ' + result);
  } finally {
    await browser.close();
  }
}

main().catch((error) => fail(error.stack || String(error)));
