// not_allowed.js - a module the browser sees but may not open (on Linux a
// node without the access rule: open() fails with NotAllowedError, here
// made so before the page's scripts run): a send says the module was not
// found, and the page says, outside the panel, how to allow it.
// Run by browser_test.sh.
'use strict';
const fs = require('fs');
const path = require('path');
const {fail, module_log, box_text, run} = require('./page_driver.js');

run(() => {
  if (!window.HIDDevice) return;
  HIDDevice.prototype.open = async () => {
    throw new DOMException('Failed to open the device.', 'NotAllowedError');
  };
}, async (page, at) => {
  if (await page.$('#kx418-not-allowed:not([hidden])'))
    fail('the page tells how to allow the module before anything was tried');
  const send = at('TAB_FN1', 'BUTTON_SEND_FN1');
  await page.mouse.click(send.x, send.y);
  const {message} = await box_text(page);
  if (message !== 'Das Geraet wurde nicht gefunden!') fail('the box says "' + message + '"');
  if (!(await page.$('#kx418-not-allowed:not([hidden])')))
    fail('the page does not say how to allow the module');
  // The rule line it gives is the one the package installs.
  const rules = path.join(path.dirname(process.env.KX418_PANEL_FILE), '..', 'packaging',
                          '70-kx418.rules');
  const rule = fs.readFileSync(rules, 'utf8').split('\n').find((l) => l.startsWith('SUBSYSTEM'));
  const shown = await page.$eval('#kx418-not-allowed code', (e) => e.textContent);
  if (shown !== rule) fail('the page gives the rule "' + shown + '", the package "' + rule + '"');
  if (module_log().includes('report')) fail('a report reached the module:\n' + module_log());
});
