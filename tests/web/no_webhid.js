// no_webhid.js - a browser without WebHID (taken away before the page's
// scripts run): the panel shows all the same, the page says which
// browsers it needs, and a send on page "Fn1" says that the device
// library is missing; nothing reaches the module.
// Run by browser_test.sh.
'use strict';
const {fail, module_log, box_text, run} = require('./page_driver.js');

run(() => {
  delete Navigator.prototype.hid;
}, async (page, at) => {
  if (!(await page.$('#kx418-no-webhid:not([hidden])')))
    fail('the page does not say which browsers it needs');
  const send = at('TAB_FN1', 'BUTTON_SEND_FN1');
  await page.mouse.click(send.x, send.y);
  const {title, message} = await box_text(page);
  if (title !== 'Fehler' || message !== 'Die Geraetebibliothek wurde nicht gefunden!')
    fail('the box says "' + title + '": "' + message + '"');
  if (module_log().includes('report')) fail('a report reached the module:\n' + module_log());
});
