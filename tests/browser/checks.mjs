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

// The standard's verdict line as every picture words it, from the JSON
// report's profile and verdict; null when no standard was asked for.
export function Verdict_Line(plan) {
  return plan.standard ? 'Checked against ' + plan.standard.profile + ': ' + plan.standard.verdict : null;
}

// A rule's result in words, from the JSON report's passed and severity.
export function Rule_Result(check) {
  return check.passed ? 'passes' : check.severity === 'advisory' ? 'noted' : 'fails';
}

// Kilometres between two points on a sphere of the Earth's mean radius
// (6,371 km), by the haversine: the map's scale bar is judged against it.
export function Kilometres_Between(a, b) {
  const radians = Math.PI / 180, radiusKilometres = 6371;
  const dLat = (b.latitude - a.latitude) * radians, dLon = (b.longitude - a.longitude) * radians;
  const h = Math.sin(dLat / 2) ** 2 + Math.cos(a.latitude * radians) * Math.cos(b.latitude * radians) * Math.sin(dLon / 2) ** 2;
  return 2 * radiusKilometres * Math.asin(Math.sqrt(h));
}

// Reads the map's scale bar and the drawn station markers (in `scope`) and
// returns the bar's pixels per kilometre by its label and by the two
// stations drawn furthest apart (their distance from the JSON report's
// positions); null when fewer than two stations are drawn apart.
export async function Scale_Bar_Against_Stations(page, expected, scope) {
  const drawn = await page.$$eval(scope + '.station', (groups) => groups.map((g) => {
    const circle = g.querySelector('circle');
    // A control's triangle stands with its tip 8.5 above the point and its base 4.5 below.
    const path = g.querySelector('path');
    const point = circle ? [+circle.getAttribute('cx'), +circle.getAttribute('cy')]
                         : path.getAttribute('d').match(/^M([-\d.]+),([-\d.]+)/).slice(1).map(Number).map((v, k) => k ? v + 8.5 : v);
    return { name: g.querySelector('title').textContent.split(' (')[0], x: point[0], y: point[1] };
  }));
  if (drawn.length < 2) return null;
  const bar = await page.$eval(scope + '.scale-bar', (g) => ({
    kilometres: +g.dataset.kilometres,
    label: g.querySelectorAll('text')[1].textContent,
    pixels: [...g.querySelectorAll('rect')].reduce((sum, r) => sum + +r.getAttribute('width'), 0)
  }));
  let best = null;
  const position = Object.fromEntries(expected.plan.stations.map((s) => [s.name, s]));
  for (let i = 0; i < drawn.length; ++i)
    for (let j = i + 1; j < drawn.length; ++j) {
      const pixels = Math.hypot(drawn[i].x - drawn[j].x, drawn[i].y - drawn[j].y);
      if (!best || pixels > best.pixels) best = { pixels, a: drawn[i].name, b: drawn[j].name };
    }
  if (!best || best.pixels < 50) return null;
  const kilometres = Kilometres_Between(position[best.a], position[best.b]);
  return { bar, byLabel: bar.pixels / bar.kilometres, byStations: best.pixels / kilometres };
}

// Every session's legend line has the colour of the session's lines on the
// map (and, given, of its band on the timeline).  Returns the entries.
export async function Assert_Legend_Colours(page, scope, timeline) {
  const found = await page.evaluate(([scope, timeline]) => [...document.querySelectorAll(scope + '.legend-entry')].map((e) => ({
    name: e.querySelector('tspan').textContent,
    stroke: e.querySelector('line').getAttribute('stroke'),
    lines: [...document.querySelectorAll(scope + '.obs.kept[data-session="' + e.dataset.session + '"] line')].map((l) => l.getAttribute('stroke')),
    band: timeline ? document.querySelector('#timeline .band[data-session="' + e.dataset.session + '"] rect').getAttribute('fill') : null
  })), [scope, timeline]);
  for (const entry of found) {
    assert.ok(entry.lines.length > 0, 'the legend names ' + entry.name + ', which draws no line');
    for (const stroke of entry.lines) assert.equal(stroke, entry.stroke, 'a line of ' + entry.name + ' against its legend entry');
    if (timeline) assert.equal(entry.band, entry.stroke, 'the timeline band of ' + entry.name + ' against its legend entry');
  }
  return found;
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
