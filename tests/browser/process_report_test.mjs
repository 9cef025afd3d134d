// Opens the HTML report of `process` in the system Chromium and checks what
// a person sees against the JSON report of the same run:
//   node process_report_test.mjs REPORT.html REPORT.json [SCREENSHOT.png]
// Every vector is in the table with its solution and shaded by it, each
// vector is a line on the map and each solution present names itself in
// the legend, the loops, repeats and suspects are listed, and the page
// logs no error and asks for nothing over any network.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { Launch_Browser, Open_File } from './browser.mjs';
import { Assert_No_Problems, Ink_Share } from './checks.mjs';

const [reportPath, jsonPath, screenshotPath] = process.argv.slice(2);
if (!reportPath || !jsonPath) {
  console.error('usage: node process_report_test.mjs REPORT.html REPORT.json [SCREENSHOT.png]');
  process.exit(2);
}
const expected = JSON.parse(fs.readFileSync(jsonPath, 'utf8'));
let browser, page;

before(async () => {
  browser = await Launch_Browser();
  page = await Open_File(browser, path.resolve(reportPath));
});
after(async () => { if (browser) await browser.close(); });

test('loads with no console error and no network request', () => {
  Assert_No_Problems(page);
});

test('every vector is a row with its solution, shaded by it', async () => {
  const rows = await page.$$eval('#vectors tr[class]', (trs) => trs.map((tr) => ({
    label: tr.children[1].textContent, solution: tr.children[4].textContent, cls: tr.className,
    shade: getComputedStyle(tr.children[4]).backgroundColor })));
  assert.deepEqual(rows.map((r) => r.label), expected.vectors.map((v) => v.label));
  assert.deepEqual(rows.map((r) => r.solution), expected.vectors.map((v) => v.solution));
  for (const row of rows) assert.equal(row.cls, row.solution);
  const fixed = rows.find((r) => r.solution === 'fixed');
  const other = rows.find((r) => r.solution !== 'fixed');
  if (fixed && other) assert.notEqual(fixed.shade, other.shade, 'fixed and ' + other.solution + ' shaded alike');
});

test('each vector is a line of the map, the legend names each solution drawn', async () => {
  const lines = await page.$$eval('#map g.obs.kept', (g) => g.length);
  assert.equal(lines, expected.vectors.length);
  const legend = await page.$$eval('#map .legend-entry', (entries) => entries.map((e) => e.textContent));
  const solutions = [...new Set(expected.vectors.map((v) => v.solution))];
  for (const solution of solutions)
    assert.ok(legend.some((text) => text.includes(solution)), solution + ' is not in the legend: ' + legend);
});

test('the loops, repeats and suspects are listed', async () => {
  assert.equal(await page.$$eval('#loops tr', (r) => r.length - 1), expected.loops.length);
  assert.equal(await page.$$eval('#repeats tr', (r) => r.length - 1), expected.repeats.length);
  const suspects = await page.$$eval('#suspects td:first-child', (cells) => cells.map((c) => c.textContent));
  for (const suspect of expected.suspects) assert.ok(suspects.includes(suspect.label), suspect.label);
});

test('the map is drawn, not blank', async () => {
  const png = await page.locator('#map').screenshot();
  assert.ok(await Ink_Share(page, png) > 0.01, 'the map is blank');
  if (screenshotPath) await page.screenshot({ path: screenshotPath, fullPage: true });
});
