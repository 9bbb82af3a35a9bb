// access.js - the page as the keyboard and a screen reader meet it: the
// fields named by the text beside them, and Tab going round the window in
// reading order with "Fn1" and then "Fn9" in front, by real Tab presses,
// and then on out of the panel to the browser.
// Run by browser_test.sh.
'use strict';
const {fail, run} = require('./page_driver.js');

run(() => {}, async (page) => {
  // A numeric's name is its field's; every other control's its own.
  const name_of = (constant) => page.evaluate((c) => {
    const e = document.querySelector('[data-constant=' + c + ']');
    const named = e.querySelector('input') || e;
    return named.getAttribute('aria-label') || named.textContent;
  }, constant);
  const names = [
    ['NUMERIC_DAY', 'Tage'], ['NUMERIC_SECOND', 'Sekunden'],
    ['NUMERIC_TIME_RESULT', 'Zeit-Umrechner, Sekunden'], ['DECORATION', 'Zeit-Umrechner'],
    ['NUMERIC_T1_F1', 'Zeit, Sek'], ['NUMERIC_T1_START_F9', 'Kanal 1, Zeit 1: Start, Sek.'],
    ['NUMERIC_T8_STOP_F9', 'Kanal 8, Zeit 8: Stopp, Sek'], ['AUTORESTART_F9', 'Auto-Restart'],
  ];
  for (const [constant, name] of names) {
    const read = await name_of(constant);
    if (read !== name) fail(constant + ' is named "' + read + '", not "' + name + '"');
  }

  // What has the keyboard: a control's constant, or a tab's text.
  const focused = () => page.evaluate(() => {
    const e = document.activeElement;
    if (e.getAttribute('role') === 'tab') return 'tab ' + e.textContent;
    const holder = e.closest('[data-constant]');
    return holder ? holder.getAttribute('data-constant') : e.tagName;
  });
  const converter = ['NUMERIC_DAY', 'NUMERIC_HOUR', 'NUMERIC_MINUTE', 'NUMERIC_SECOND',
                     'BUTTON_CALC_TIME', 'NUMERIC_TIME_RESULT', 'BUTTON_QUIT'];
  const fn9 = [];
  for (let n = 1; n <= 8; ++n) fn9.push('NUMERIC_T' + n + '_START_F9', 'NUMERIC_T' + n + '_STOP_F9');
  const cycles = [
    ['Fn1', ['NUMERIC_T1_F1', 'BUTTON_SEND_FN1']],
    ['Fn9', [...fn9, 'AUTORESTART_F9', 'BUTTON_SEND_FN9']],
  ];
  for (const [tab, page_order] of cycles) {
    for (const t of await page.$$('[role=tab]'))
      if ((await t.evaluate((e) => e.textContent)) === tab) await t.click();
    const expected = ['tab ' + tab, ...page_order, ...converter];
    const seen = [await focused()];
    for (let i = 1; i <= expected.length; ++i) {
      await page.keyboard.press('Tab');
      seen.push(await focused());
    }
    // After the last control the keyboard leaves the panel for the
    // browser's own controls, as from any page; nothing else takes it.
    expected.push('BODY');
    if (JSON.stringify(seen) !== JSON.stringify(expected))
      fail('with ' + tab + ' in front, Tab goes ' + seen.join(' > ') + '\n  not ' +
           expected.join(' > '));
  }
});
