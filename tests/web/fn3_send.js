// fn3_send.js - the page as a person uses it, in headless chromium: on
// page "Fn3" type 10 and 20 into the two times and press "Einstellungen
// abschicken" where the panel file draws it, with real mouse and keyboard
// events. The module must log function 3 with 10000 and 20000 ms, checksum
// ok, and the page must show the "Info" box with the outcome. "Beenden"
// then ends the program: the panel goes and the page says so.
// Run by browser_test.sh.
'use strict';
const {fail, module_log, chooser_stand_in, click_tab, type_into, box_text, run} =
    require('./page_driver.js');

run(chooser_stand_in, async (page, at) => {
  await click_tab(page, 'Fn3');
  await type_into(page, at, 'TAB_FN3', 'NUMERIC_T1_F3', '10');
  await type_into(page, at, 'TAB_FN3', 'NUMERIC_T2_F3', '20');

  const send = at('TAB_FN3', 'BUTTON_SEND_FN3');
  const under = await page.evaluate((x, y) => document.elementFromPoint(x, y).textContent,
                                    send.x, send.y);
  if (under !== 'Einstellungen abschicken')
    fail('at the place of "Einstellungen abschicken" the page shows "' + under + '"');
  await page.mouse.click(send.x, send.y);

  const {box, title, message} = await box_text(page);
  if (title !== 'Info' || message !== 'Die Einstellungen wurden abgeschickt!')
    fail('the box says "' + title + '": "' + message + '"');

  const log = module_log();
  if (!/report 1: function 3 setting [0-9]+ time1 10000 ms time2 20000 ms checksum [0-9a-f]+ ok/
           .test(log))
    fail('the module logged no report of function 3 with 10000 and 20000 ms:\n' + log);
  const reports = (log.match(/ report [0-9]+:/g) || []).length;
  if (reports !== 1) fail('the module got ' + reports + ' reports, not 1:\n' + log);

  // OK ends the box; "Beenden" ends the program.
  const ok = await (await box.$('button')).boundingBox();
  await page.mouse.click(ok.x + ok.width / 2, ok.y + ok.height / 2);
  await page.waitForSelector('dialog[open]', {hidden: true, timeout: 5000});
  const quit = at('PANEL', 'BUTTON_QUIT');
  await page.mouse.click(quit.x, quit.y);
  await page.waitForSelector('#kx418-ended', {visible: true, timeout: 5000});
  if (await page.$('.kx418-window')) fail('after "Beenden" the panel is still on the page');
});
