// converter.js - the time converter on the page by mouse and keys: 30
// days and 23 hours typed, 99 minutes and 99 seconds typed past their
// limit (each field shows 59 at once), "Zeit umrechnen" pressed where the
// panel file draws it; the result field shows 2678399.
// Run by browser_test.sh.
'use strict';
const {fail, type_into, run} = require('./page_driver.js');

run(() => {}, async (page, at) => {
  const field_text = (constant) =>
    page.$eval('[data-constant=' + constant + '] input, input[data-constant=' + constant + ']',
               (e) => e.value);
  const cases = [['NUMERIC_DAY', '30', '30'], ['NUMERIC_HOUR', '23', '23'],
                 ['NUMERIC_MINUTE', '99', '59'], ['NUMERIC_SECOND', '99', '59']];
  for (const [constant, typed, shown] of cases) {
    await type_into(page, at, 'PANEL', constant, typed);
    const text = await field_text(constant);
    if (text !== shown)
      fail(constant + ': typed "' + typed + '", shows "' + text + '", not "' + shown + '"');
  }
  const calc = at('PANEL', 'BUTTON_CALC_TIME');
  await page.mouse.click(calc.x, calc.y);
  // The callback runs in the program's loop, just after the click.
  await page.waitForFunction(
      () => document.querySelector('input[data-constant=NUMERIC_TIME_RESULT]').value !== '0',
      {timeout: 5000}).catch(() => {});
  const result = await field_text('NUMERIC_TIME_RESULT');
  if (result !== '2678399') fail('the converter shows "' + result + '", not "2678399"');
});
