// limits.js - a value typed past its limit never goes out. On page "Fn1"
// 9999999 s and 99999999999999 s are typed (past 2678400 s) and sent: each
// time the field shows the limit and the module logs time1 2678400000 ms,
// never more. On the converter 999 days and 256 hours are typed (past 30
// and 23; 256 would be 0 in a byte) and "Zeit umrechnen" pressed: the
// result is 30 d 23 h in seconds, and nothing reaches the module.
// Run by browser_test.sh.
'use strict';
const {fail, module_events, chooser_stand_in, type_into, boxes, run} = require('./page_driver.js');

run(chooser_stand_in, async (page, at) => {
  const field = (constant) =>
      page.$eval('[data-constant=' + constant + '] input, input[data-constant=' + constant + ']',
                 (e) => e.value);
  const sends = ['9999999', '99999999999999'];
  for (const typed of sends) {
    await type_into(page, at, 'TAB_FN1', 'NUMERIC_T1_F1', typed);
    const shown = await field('NUMERIC_T1_F1');
    if (shown !== '2678400.0') fail('typed ' + typed + ', the field shows "' + shown + '"');
    const send = at('TAB_FN1', 'BUTTON_SEND_FN1');
    await page.mouse.click(send.x, send.y);
    const said = (await boxes(page, {quiet_ms: 500})).map((b) => b.title);
    if (said.join() !== 'Info') fail('after ' + typed + ' the page showed ' + said);
  }
  const reports = module_events().filter((e) => e.kind === 'report');
  const times = reports.map((r) => r.function + ':' + r.time1 + ':' + r.time2);
  if (times.join() !== sends.map(() => '1:2678400000:0').join())
    fail('the module logged function:time1:time2 ' + times + ', not ' + sends.length +
         ' times 1:2678400000:0');

  for (const [constant, typed] of [['NUMERIC_DAY', '999'], ['NUMERIC_HOUR', '256']])
    await type_into(page, at, 'PANEL', constant, typed);
  const calc = at('PANEL', 'BUTTON_CALC_TIME');
  await page.mouse.click(calc.x, calc.y);
  const expected = String(30 * 86400 + 23 * 3600);
  await page.waitForFunction(
      (e) => document.querySelector('input[data-constant=NUMERIC_TIME_RESULT]').value === e,
      {timeout: 5000}, expected).catch(() => {});
  const result = await field('NUMERIC_TIME_RESULT');
  if (result !== expected) fail('the converter shows "' + result + '", not "' + expected + '"');
  // A send would take a few ms; give it ten times that.
  await new Promise((resolve) => setTimeout(resolve, 500));
  const after = module_events().filter((e) => e.kind === 'report').length;
  if (after !== reports.length) fail('the converter sent ' + (after - reports.length) + ' reports');
});
