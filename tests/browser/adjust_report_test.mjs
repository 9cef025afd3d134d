// Opens the adjustment's HTML report in the system Chromium and checks what
// a surveyor sees against the JSON report of the same run:
//   node adjust_report_test.mjs REPORT.html REPORT.json SCREENSHOT.png
// It asks for nothing over the network; the residual table lists every
// vector by largest |w|, the blunder's row marked; the global test's
// verdict is the JSON's; the map draws every vector and an ellipse for
// each station not held, and is not blank.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { Launch_Browser, Open_File } from './browser.mjs';
import { Assert_No_Problems, Ink_Share } from './checks.mjs';

const [htmlPath, jsonPath, screenshotPath] = process.argv.slice(2);
if (!htmlPath || !jsonPath || !screenshotPath) {
  console.error('usage: node adjust_report_test.mjs REPORT.html REPORT.json SCREENSHOT.png');
  process.exit(2);
}
const report = JSON.parse(fs.readFileSync(jsonPath, 'utf8'));
const largestW = (v) => Math.max(...Object.values(v.w).filter((w) => w !== null).map(Math.abs), -1);
let browser, page;

before(async () => {
  browser = await Launch_Browser();
  page = await Open_File(browser, path.resolve(htmlPath));
});
after(async () => { if (browser) await browser.close(); });

test('opens with no error and no request', async () => {
  Assert_No_Problems(page);
});

test('the residual table lists every vector by largest |w|, the blunder marked', async () => {
  const rows = await page.$$eval('#residuals tr', (trs) => trs.slice(1).map((tr) => ({
    cells: [...tr.cells].map((c) => c.textContent), outlier: tr.classList.contains('outlier') })));
  assert.equal(rows.length, report.vectors.length);
  const shown = rows.map((r) => +r.cells[13]);
  assert.deepEqual(shown, [...shown].sort((a, b) => b - a), 'rows by largest |w|');
  const expected = report.vectors.map(largestW).sort((a, b) => b - a).map((w) => w.toFixed(2));
  assert.deepEqual(shown.map((w) => w.toFixed(2)), expected);
  assert.equal(rows.filter((r) => r.outlier).length, report.vectors.filter((v) => v.outlier).length);
  if (report.dataSnooping.blunder) {
    assert.ok(rows[0].outlier, 'the first row is the most likely blunder');
    assert.deepEqual(rows[0].cells.slice(0, 3),
                     [report.dataSnooping.blunder.from, report.dataSnooping.blunder.to, report.dataSnooping.blunder.session]);
  }
});

test('the global test says what the JSON says', async () => {
  const verdict = await page.$eval('#global-test', (p) => ({ text: p.textContent, failed: p.classList.contains('failed') }));
  assert.equal(verdict.failed, !report.globalTest.passed);
  assert.match(verdict.text, new RegExp(report.globalTest.passed ? ': passed$' : ': failed$'));
  assert.ok(verdict.text.includes(report.varianceFactor.toFixed(3)), verdict.text);
});

test('the map draws every vector, an ellipse per station not held, and is not blank', async () => {
  assert.equal(await page.$$eval('#map .vector', (l) => l.length), report.vectors.length);
  const notHeld = report.stations.filter((s) => s.role !== 'held').length;
  const ellipses = await page.$$eval('#map .ellipse', (e) => e.map((x) => x.getBoundingClientRect()).map((r) => r.width * r.height));
  assert.equal(ellipses.length, notHeld);
  for (const area of ellipses) assert.ok(area > 20, 'an ellipse too small to see: ' + area + ' px²');
  const shot = await page.locator('#map').screenshot();
  fs.writeFileSync(screenshotPath, await page.screenshot({ fullPage: true }));
  assert.ok(await Ink_Share(page, shot) > 0.005, 'the map is blank');
});
