// no_module.js - no module at all: the browser lists no device, and the
// chooser's stand-in answers as a person who finds nothing to pick would
// (an empty list). A send on page "Fn1" and one on the sequencer's page
// "Fn9" (each its own way to the module) each give exactly one box,
// "Fehler": "Das Geraet wurde nicht gefunden!".
// Run by browser_test.sh with the node "none".
'use strict';
const {fail, chooser_stand_in, click_tab, boxes, run} = require('./page_driver.js');

run(chooser_stand_in, async (page, at) => {
  for (const [tab, panel, button] of [['Fn1', 'TAB_FN1', 'BUTTON_SEND_FN1'],
                                      ['Fn9', 'TAB_FN9', 'BUTTON_SEND_FN9']]) {
    await click_tab(page, tab);
    const send = at(panel, button);
    await page.mouse.click(send.x, send.y);
    const said = (await boxes(page)).map((b) => '"' + b.title + '": "' + b.message + '"');
    if (said.join(', ') !== '"Fehler": "Das Geraet wurde nicht gefunden!"')
      fail('on ' + tab + ' the page showed ' + (said.join(', ') || 'no box') +
           ', not one "Fehler" box: "Das Geraet wurde nicht gefunden!"');
  }
});
