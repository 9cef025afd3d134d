// Opens one SVG map in the system Chromium and measures what it draws,
// against the plan's JSON report of the same run:
//   node svg_test.mjs MAP.svg PLAN.json [--show-redundant]
// Every session of a kept observation has a legend entry, every positioned
// station a label and no two labels overlap (as rendered), the scale bar
// and the north arrow are there, the bar as long as its label says against
// the stations drawn, each session's legend entry in the colour of its
// lines, the standard's verdict (as text, whatever the profile's name
// holds) and its new sessions, and the redundant observations are drawn
// only when asked for.  A map without positions says so in words.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { Launch_Browser, Open_File } from './browser.mjs';
import { Read_Plan, Assert_No_Problems, Overlapping_Pairs, Assert_Station_Labels, Verdict_Line,
         Scale_Bar_Against_Stations, Assert_Legend_Colours } from './checks.mjs';

const [svgPath, planPath, flag] = process.argv.slice(2);
if (!svgPath || !planPath) {
  console.error('usage: node svg_test.mjs MAP.svg PLAN.json [--show-redundant]');
  process.exit(2);
}
const showRedundant = flag === '--show-redundant';
const expected = Read_Plan(planPath);
const drawn = (row) => expected.positioned.includes(row.from) && expected.positioned.includes(row.to);
let browser, page;

before(async () => {
  browser = await Launch_Browser();
  page = await Open_File(browser, path.resolve(svgPath));
});
after(async () => { if (browser) await browser.close(); });

test('opens as SVG with no error', async () => {
  assert.equal(await page.evaluate(() => document.documentElement.localName), 'svg');
  Assert_No_Problems(page);
});

test('every session of a kept observation has a legend entry', async () => {
  const legend = await page.$$eval('.legend-entry tspan', (t) => t.map((x) => x.textContent).sort());
  const sessions = [...new Set(expected.plan.plan.filter((row) => row.selected && drawn(row)).map((row) => row.session))].sort();
  assert.deepEqual(legend, sessions);
});

test('every positioned station has a marker and a label or room noted, and no two labels overlap', async () => {
  await Assert_Station_Labels(page, expected, '');
  const boxes = await page.$$eval('.station-label', (labels) => labels.map((l) => {
    const b = l.getBBox();
    return { name: l.textContent, x: b.x, y: b.y, width: b.width, height: b.height };
  }));
  assert.deepEqual(Overlapping_Pairs(boxes), []);
});

test('a scale bar in km or m and a north arrow, when there is a map', async () => {
  if (!expected.positioned.length) {
    assert.match(await page.textContent('.no-positions'), /No station has a position/);
    return;
  }
  assert.match(await page.textContent('.scale-bar'), /^0\d+(\.\d+)? (km|m)$/);
  assert.equal(await page.textContent('.north-arrow'), 'N');
});

test('the scale bar is as long as its label says, and each legend entry has its lines\' colour', async () => {
  const scale = await Scale_Bar_Against_Stations(page, expected, '');
  if (scale)
    assert.ok(Math.abs(scale.byLabel / scale.byStations - 1) < 0.01,
              scale.bar.label + ': ' + scale.byLabel.toFixed(3) + ' px per km, the stations ' + scale.byStations.toFixed(3));
  await Assert_Legend_Colours(page, '', false);
});

test('the standard\'s verdict, as text, and its new sessions numbered as the field list', async () => {
  const line = Verdict_Line(expected.plan);
  const verdicts = await page.$$eval('.verdict', (v) => v.map((x) => x.textContent));
  if (!line) {
    assert.deepEqual(verdicts, []);
    return;
  }
  assert.equal(verdicts.length, 1);
  assert.ok(verdicts[0].startsWith(line), verdicts[0]);
  assert.equal(await page.$$eval('.verdict *', (e) => e.length), 0, 'the profile\'s name made markup');
  const drawn = await page.$$eval('.field-session', (l) => l.map((x) => +x.dataset.field));
  if (drawn.length)
    assert.deepEqual(drawn, expected.plan.fieldList.sessions.filter((f) => expected.positioned.includes(f.station) &&
                                                                          expected.positioned.includes(f.with)).map((f) => f.session));
});

test('kept observations drawn; the redundant ones only when asked for', async () => {
  const kept = expected.plan.plan.filter((row) => row.selected && drawn(row)).length;
  const redundant = expected.plan.plan.filter((row) => !row.selected && drawn(row)).length;
  assert.equal(await page.$$eval('.obs.kept', (l) => l.length), kept);
  assert.equal(await page.$$eval('.obs.redundant', (l) => l.length), showRedundant ? redundant : 0);
});

test('the title gives the dates', async () => {
  const subtitle = await page.textContent('.subtitle');
  const day = expected.plan.plan.length ? expected.plan.plan[0].start.slice(0, 10) : '';
  assert.ok(subtitle.includes(day), subtitle);
});
