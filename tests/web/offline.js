// offline.js - the page once loaded works without the network: the browser
// goes offline, the page is loaded again, and the program's panel shows
// and its converter computes (1 day: 86400).
// Run by browser_test.sh.
'use strict';
const {fail, run} = require('./page_driver.js');

run(() => {}, async (page) => {
  await page.evaluate(() => navigator.serviceWorker.ready);
  // The first load may have been answered before the worker took the page.
  await page.reload({waitUntil: 'networkidle0'});
  await page.setOfflineMode(true);
  await page.reload();
  const shown = await page.waitForSelector('[data-constant=BUTTON_CALC_TIME]',
                                           {visible: true, timeout: 20000}).catch(() => null);
  if (!shown) return fail('offline, the page shows no panel');
  await page.click('[data-constant=NUMERIC_DAY] input', {clickCount: 3});
  await page.keyboard.type('1');
  await shown.click();
  const result = await page.waitForFunction(
      () => document.querySelector('input[data-constant=NUMERIC_TIME_RESULT]').value === '86400',
      {timeout: 5000}).catch(() => null);
  if (!result) fail('offline, the converter does not answer');
});
