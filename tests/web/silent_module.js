// silent_module.js - a module that never answers: the send on page "Fn1"
// waits the reply's limit of 2000 ms, then the page shows "Empfangsfehler!";
// the report did reach the module.
// Run by browser_test.sh with the node hidraw0:silent.
'use strict';
const {fail, module_log, box_text, run} = require('./page_driver.js');

run(() => {}, async (page, at) => {
  const send = at('TAB_FN1', 'BUTTON_SEND_FN1');
  const start = Date.now();
  await page.mouse.click(send.x, send.y);
  const {title, message} = await box_text(page);
  const waited = Date.now() - start;
  if (title !== 'Fehler' || message !== 'Empfangsfehler!')
    fail('the box says "' + title + '": "' + message + '"');
  if (waited < 1900 || waited > 8000) fail('the box came after ' + waited + ' ms, not about 2000');
  if (!/report 1: function 1 /.test(module_log())) fail('no report reached the module:\n' + module_log());
});
