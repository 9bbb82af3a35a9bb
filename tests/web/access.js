// access.js - the page as the keyboard and a screen reader meet it: the
// fields named by the text beside them, and Tab going round the window in
// reading order with "Fn1" and then "Fn9" in front, by real Tab presses,
// and then on out of the panel to the browser; and Fn3 sent by keyboard
// alone.
// Run by browser_test.sh.
'use strict';
const {fail, module_log, chooser_stand_in, click_tab, box_text, run} =
    require('./page_driver.js');

run(chooser_stand_in, async (page) => {
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
    await click_tab(page, tab);
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

  // By keyboard alone: from the tab strip the arrows to "Fn3", Tab into its
  // times, 10 and 20 typed, Tab to its button, Enter: the module receives
  // function 3 with 10000 and 20000 ms, and the "Info" box appears.
  await page.focus('[role=tab][aria-selected=true]');
  await page.keyboard.press('ArrowLeft');  // Fn9 in front: to Fn8, then on round to Fn3
  for (let i = 0; i < 4; ++i) await page.keyboard.press('ArrowRight');
  if ((await focused()) !== 'tab Fn3') fail('the arrows brought ' + (await focused()) + ', not Fn3');
  for (const key of ['Tab', '1', '0', 'Tab', '2', '0', 'Tab']) await page.keyboard.press(key);
  if ((await focused()) !== 'BUTTON_SEND_FN3') fail('Tab reached ' + (await focused()));
  await page.keyboard.press('Enter');
  const {title} = await box_text(page);
  if (title !== 'Info') fail('after Enter the box is "' + title + '"');
  const log = module_log();
  if (!/report 1: function 3 setting [0-9]+ time1 10000 ms time2 20000 ms checksum [0-9a-f]+ ok/
           .test(log))
    fail('the module did not receive function 3 with 10000 and 20000 ms:\n' + log);
});
