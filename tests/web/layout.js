// layout.js - the panel on the page against its panel file: the client
// area 700x523, and on the main panel and each tab page (brought to the
// front by a click on its tab) every control at its place and size, in
// CSS pixels relative to its panel. Then reach: at the centre of every
// control that takes input, the page's topmost element belongs to that
// control (texts and frames never take the point).
// Run by browser_test.sh.
'use strict';
const fs = require('fs');
const {fail, click_tab, run} = require('./page_driver.js');

// Every panel's controls from the panel file: kind and place.
function panels() {
  const result = {};
  let current = null;
  for (const line of fs.readFileSync(process.env.KX418_PANEL_FILE, 'utf8').split('\n')) {
    const words = line.split(' ');
    const field = (key) => Number((line.match(new RegExp(' ' + key + '=(-?[0-9]+)')) || [])[1]);
    const label = (line.match(/ label="([^"]*)"/) || [])[1];
    if (words[0] === 'panel') {
      current = result[words[1]] = {width: field('width'), height: field('height'), label,
                                    controls: []};
    } else if (words[0] === 'control') {
      current.controls.push({constant: words[2], kind: words[3], top: field('top'),
                             left: field('left'), width: field('width'),
                             height: field('height')});
    }
  }
  return result;
}

run(() => {}, async (page) => {
  const file = panels();
  const main = await page.$eval('[data-panel=PANEL]', (e) => [e.offsetWidth, e.offsetHeight]);
  if (main[0] !== 700 || main[1] !== 523) fail('the client area is ' + main.join('x'));
  for (const [constant, panel] of Object.entries(file)) {
    if (panel.label) {
      try {
        await click_tab(page, panel.label);
      } catch (error) {
        fail(error.message);
        continue;
      }
    }
    const found = await page.$eval('[data-panel=' + constant + ']', (p) => {
      const origin = p.getBoundingClientRect();
      const controls = {};
      for (const e of p.querySelectorAll(':scope > [data-constant]')) {
        const r = e.getBoundingClientRect();
        const centre = document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2);
        controls[e.dataset.constant] = {
          top: r.top - origin.top, left: r.left - origin.left, width: r.width, height: r.height,
          reached: e.contains(centre)};
      }
      return {width: p.offsetWidth, height: p.offsetHeight, controls};
    });
    if (found.width !== panel.width || found.height !== panel.height)
      fail(constant + ' is ' + found.width + 'x' + found.height);
    for (const c of panel.controls) {
      const f = found.controls[c.constant];
      if (!f) { fail(constant + '.' + c.constant + ' is not on the page'); continue; }
      for (const key of ['top', 'left', 'width', 'height'])
        if (Math.abs(f[key] - c[key]) > 0.01)
          fail(constant + '.' + c.constant + ' ' + key + ' ' + f[key] + ', not ' + c[key]);
      const takes_input = c.kind !== 'text' && c.kind !== 'decoration';
      if (takes_input && !f.reached)
        fail(constant + '.' + c.constant + ': its centre reaches another element');
    }
  }
});
