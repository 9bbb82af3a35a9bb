// two_tabs.js - the page open in two tabs of one browser, both sending on
// page "Fn1" at about the same time (tab 1 with 1 s, tab 2 with 2 s, so
// the module's log tells whose report it got). The tabs take turns on the
// module: the log never interleaves them (each report is followed by its
// answer, if any, before the next report). Each tab shows exactly one box
// and tells its own truth: "Info" where its report was answered,
// "Empfangsfehler!" where it was logged but not answered, "Das Geraet wurde
// nicht gefunden!" where it never went out; so the "Info" boxes are as many
// as the answered reports.
// With the node setting delay=300 both reports are answered; with
// answer-first only the first one.
// Run by browser_test.sh; the node's settings come in KX418_NODE.
'use strict';
const {fail, module_events, chooser_stand_in, type_into, boxes, run} = require('./page_driver.js');

run(chooser_stand_in, async (page, at, another) => {
  const tabs = [{page, at, seconds: '1'}, {...(await another()), seconds: '2'}];
  for (const tab of tabs) {
    await tab.page.bringToFront();
    await type_into(tab.page, tab.at, 'TAB_FN1', 'NUMERIC_T1_F1', tab.seconds);
  }
  const pressed = Date.now();
  await Promise.all(tabs.map((tab) => {
    const send = tab.at('TAB_FN1', 'BUTTON_SEND_FN1');
    return tab.page.mouse.click(send.x, send.y);
  }));
  const shown = await Promise.all(tabs.map((tab) => boxes(tab.page)));

  const events = module_events();
  const reports = events.filter((e) => e.kind === 'report');
  const answered = new Set(events.filter((e) => e.kind === 'answered').map((e) => e.number));
  events.forEach((e, i) => {
    if (e.kind === 'answered' && (i === 0 || events[i - 1].number !== e.number))
      fail('the answer to report ' + e.number + ' does not follow it: ' + JSON.stringify(events));
  });
  const expected_answers = /answer-first/.test(process.env.KX418_NODE) ? 1 : 2;
  if (reports.length !== 2 || answered.size !== expected_answers)
    fail('the module got ' + reports.length + ' reports and answered ' + answered.size +
         ', not 2 and ' + expected_answers + ': ' + JSON.stringify(events));

  tabs.forEach((tab, i) => {
    const report = reports.find((r) => r.time1 === Number(tab.seconds) * 1000);
    const truth = !report ? 'Fehler: Das Geraet wurde nicht gefunden!'
                : answered.has(report.number) ? 'Info: Die Einstellungen wurden abgeschickt!'
                : 'Fehler: Empfangsfehler!';
    const said = shown[i].map((b) => b.title + ': ' + b.message);
    console.log('tab ' + (i + 1) + ' showed ' + JSON.stringify(said) + ' ' +
                shown[i].map((b) => b.at - pressed) + ' ms after the presses');
    if (said.join() !== truth) fail('tab ' + (i + 1) + ' showed ' + JSON.stringify(said) +
                                    ', not "' + truth + '"');
  });
  const infos = shown.flat().filter((b) => b.title === 'Info').length;
  if (infos !== answered.size) fail(infos + ' "Info" boxes for ' + answered.size + ' answers');
});
