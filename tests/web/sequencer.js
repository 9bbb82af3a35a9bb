// sequencer.js - the sequencer on page "Fn9" by mouse and keys: three
// channels' start and stop times typed, "Auto-Restart" switched on by a
// click, "Einstellungen abschicken" pressed.
//
// A module that answers logs nine reports in order, each checksum ok and
// answered: functions 91 to 98 with each channel's two times in ms, then
// function 9 with setting 1 (auto-restart on); the page shows exactly one
// box, "Info": "Die Einstellungen wurden abgeschickt!".
//
// A module unplugged when report K arrives (node setting remove-after=K):
// the page shows exactly one box, "Fehler", at once (its delay after the
// press is printed), and nothing reaches the module after report K; a
// second press then says at once that there is no module.
// Run by browser_test.sh; the node's settings come in KX418_NODE.
'use strict';
const {fail, module_events, chooser_stand_in, click_tab, type_into, boxes, run} =
    require('./page_driver.js');

// Channel, start and stop as typed, and in ms as the report carries them;
// the channels not typed keep 0.
const typed = [[1, '1.5', '2', 1500, 2000], [3, '10', '20.5', 10000, 20500],
               [8, '2678400', '0.1', 2678400000, 100]];
const removed_at = Number((process.env.KX418_NODE.match(/remove-after=([0-9]+)/) || [])[1] || 0);

run(chooser_stand_in, async (page, at) => {
  await click_tab(page, 'Fn9');
  for (const [channel, start, stop] of typed) {
    await type_into(page, at, 'TAB_FN9', 'NUMERIC_T' + channel + '_START_F9', start);
    await type_into(page, at, 'TAB_FN9', 'NUMERIC_T' + channel + '_STOP_F9', stop);
  }
  const toggle = at('TAB_FN9', 'AUTORESTART_F9');
  await page.mouse.click(toggle.x, toggle.y);
  const on = await page.$eval('[data-constant=AUTORESTART_F9]', (e) => e.textContent);
  if (on !== 'Ein') fail('after its click "Auto-Restart" shows "' + on + '", not "Ein"');

  const send = at('TAB_FN9', 'BUTTON_SEND_FN9');
  const pressed = Date.now();
  await page.mouse.click(send.x, send.y);
  const shown = await boxes(page);
  const events = module_events();
  const reports = events.filter((e) => e.kind === 'report');
  const said = shown.map((b) => '"' + b.title + '": "' + b.message + '"').join(', ');

  if (!removed_at) {
    const expected = [];
    for (let channel = 1; channel <= 8; ++channel) {
      const t = typed.find((row) => row[0] === channel) || [channel, '', '', 0, 0];
      expected.push({function: 90 + channel, setting: 0, time1: t[3], time2: t[4]});
    }
    expected.push({function: 9, setting: 1, time1: 0, time2: 0});
    const got = reports.map((r) => ({function: r.function, setting: r.setting, time1: r.time1,
                                     time2: r.time2}));
    if (JSON.stringify(got) !== JSON.stringify(expected))
      fail('the module logged\n  ' + JSON.stringify(got) + '\nnot\n  ' + JSON.stringify(expected));
    if (!reports.every((r) => r.ok)) fail('a checksum is bad: ' + JSON.stringify(reports));
    const answered = events.filter((e) => e.kind === 'answered').length;
    if (answered !== 9) fail(answered + ' reports were answered, not 9');
    if (said !== '"Info": "Die Einstellungen wurden abgeschickt!"')
      fail('the page showed ' + (said || 'no box') + ', not one "Info" box');
    return;
  }

  const removal = events.findIndex((e) => e.kind === 'removed');
  if (removal < 0) return fail('the module was not removed: ' + JSON.stringify(events));
  const after = events.slice(removal + 1).filter((e) => e.kind === 'report');
  if (after.length > 0) fail('reports reached the module after its removal: ' + JSON.stringify(after));
  if (reports.length !== removed_at)
    fail('the module got ' + reports.length + ' reports, not ' + removed_at);
  if (shown.length !== 1 || shown[0].title !== 'Fehler')
    fail('the page showed ' + (said || 'no box') + ', not one "Fehler" box');
  if (shown.length > 0) {
    console.log('removed at report ' + removed_at + ': ' + said + ' ' + (shown[0].at - pressed) +
                ' ms after the press');
  }
  // Nothing is left hanging: the next press finds no module.
  await page.mouse.click(send.x, send.y);
  const again = (await boxes(page)).map((b) => '"' + b.title + '": "' + b.message + '"').join(', ');
  if (again !== '"Fehler": "Das Geraet wurde nicht gefunden!"')
    fail('pressed again, the page showed ' + (again || 'no box') + ', not one "Fehler" box');
});
