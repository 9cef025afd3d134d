// What the browser tests expect, taken from the plan's JSON report (a
// different writer from the pictures), and small checks they share.
import fs from 'node:fs';
import assert from 'node:assert/strict';

export function Read_Plan(jsonPath) {
  const plan = JSON.parse(fs.readFileSync(jsonPath, 'utf8'));
  const sessions = [...new Set(plan.plan.map((row) => row.session))].sort();
  const keptSessions = [...new Set(plan.plan.filter((row) => row.selected).map((row) => row.session))].sort();
  const positioned = plan.stations.filter((s) => s.latitude !== null).map((s) => s.name).sort();
  return { plan, sessions, keptSessions, positioned, stations: plan.stations.map((s) => s.name).sort() };
}

export function Assert_No_Problems(page) {
  assert.deepEqual(page.problems, [], 'the page had problems');
}

// The share of pixels of a PNG that are not (nearly) white, measured in
// the page itself: a blank picture has none.
export async function Ink_Share(page, png) {
  return page.evaluate(async (base64) => {
    const image = new Image();
    image.src = 'data:image/png;base64,' + base64;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const pixels = context.getImageData(0, 0, image.width, image.height).data;
    let inked = 0;
    for (let i = 0; i < pixels.length; i += 4) if (pixels[i] < 200 || pixels[i + 1] < 200 || pixels[i + 2] < 200) ++inked;
    return inked / (pixels.length / 4);
  }, png.toString('base64'));
}

export function Overlapping_Pairs(boxes) {
  const pairs = [];
  for (let i = 0; i < boxes.length; ++i)
    for (let j = i + 1; j < boxes.length; ++j) {
      const a = boxes[i], b = boxes[j];
      if (a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height)
        pairs.push(a.name + ' / ' + b.name);
    }
  return pairs;
}

// The station labels a map shows, in `scope` ('' for an SVG file, '#map '
// in the report): every positioned station has its marker, each label
// names one of them once, and the labels with no free place (a crowded
// map) are counted in the note the map writes.  Returns the labels' names.
export async function Assert_Station_Labels(page, expected, scope) {
  const labels = await page.$$eval(scope + '.station-label', (l) => l.map((x) => x.textContent).sort());
  assert.equal(await page.$$eval(scope + '.station', (m) => m.length), expected.positioned.length, 'station markers');
  assert.equal(new Set(labels).size, labels.length, 'a station labelled twice');
  for (const name of labels) assert.ok(expected.positioned.includes(name), name + ' is labelled but has no position');
  const note = await page.$$eval(scope + '.labels-left-off', (n) => n.map((x) => x.textContent));
  const leftOff = note.length ? +note[0].split(' ')[0] : 0;
  assert.equal(labels.length + leftOff, expected.positioned.length, 'labels shown and left off: ' + note);
  return labels;
}
