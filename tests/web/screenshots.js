// screenshots.js - the page's window as a person sees it at 100 % and at
// 150 % (1.5 device pixels per CSS pixel, as a zoomed or high-density
// display has them), Fn1 in front in the first and Fn9 in the second:
// each picture written to KX418_SCREENSHOT_FOLDER as KX418-web-100.png and
// KX418-web-150.png, its size the window's box times the zoom, the window
// 702x547 CSS pixels (the client area 700x523, its title bar and frame).
// Run by browser_test.sh.
'use strict';
const fs = require('fs');
const path = require('path');
const {fail, chooser_stand_in, click_tab, run} = require('./page_driver.js');

// A PNG's width and height from its header.
function png_size(file) {
  const bytes = fs.readFileSync(file);
  return {width: bytes.readUInt32BE(16), height: bytes.readUInt32BE(20)};
}

run(chooser_stand_in, async (page) => {
  const folder = process.env.KX418_SCREENSHOT_FOLDER || '.';
  const shots = [];
  for (const [zoom, name] of [[1, 'KX418-web-100.png'], [1.5, 'KX418-web-150.png']]) {
    await page.setViewport({width: 800, height: 700, deviceScaleFactor: zoom});
    await click_tab(page, zoom === 1 ? 'Fn1' : 'Fn9');
    const window = await page.$('.kx418-window');
    const box = await window.boundingBox();
    const file = path.join(folder, name);
    await window.screenshot({path: file});
    const size = png_size(file);
    const expected = {width: Math.round(box.width * zoom), height: Math.round(box.height * zoom)};
    console.log(file + ': ' + size.width + 'x' + size.height + ' pixels (window ' + box.width +
                'x' + box.height + ' CSS pixels at ' + zoom * 100 + ' %)');
    if (Math.abs(size.width - expected.width) > 1 || Math.abs(size.height - expected.height) > 1)
      fail(name + ' is ' + size.width + 'x' + size.height + ', not ' + expected.width + 'x' +
           expected.height);
    if (zoom === 1 && (box.width !== 702 || box.height !== 547))
      fail('at 100 % the window is ' + box.width + 'x' + box.height + ' CSS pixels, not 702x547' +
           ' (the client area 700x523, its title bar and frame)');
    shots.push(file);
  }
  if (shots.length !== 2) fail('not both pictures were taken');
});
