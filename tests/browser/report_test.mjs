// Opens one HTML report in the system Chromium and checks what a person
// sees, against the plan's JSON report of the same run:
//   node report_test.mjs REPORT.html PLAN.json [SCREENSHOTS]
// Every station and session is there, the session selector changes what
// the map and the tables show, pointing and clicking give details, the
// page logs no error and asks for nothing over any network, and the map
// and timeline are not blank (kept as SCREENSHOTS_overview.png, from the
// top of the page to the timeline, and with a standard the checks and what
// to observe again as SCREENSHOTS_checks.png).  With a standard,
// the verdict, every check and failing item, what to observe again and
// every occupation's set-up are on the page as the JSON report gives them,
// the moment it opens.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import path from 'node:path';
import { Launch_Browser, Open_File } from './browser.mjs';
import { Read_Plan, Assert_No_Problems, Ink_Share, Assert_Station_Labels, Verdict_Line, Rule_Result,
         Scale_Bar_Against_Stations, Assert_Legend_Colours } from './checks.mjs';

const [reportPath, planPath, screenshots] = process.argv.slice(2);
if (!reportPath || !planPath) {
  console.error('usage: node report_test.mjs REPORT.html PLAN.json [SCREENSHOTS]');
  process.exit(2);
}
const expected = Read_Plan(planPath);
let browser, page;
// A line is drawn where both its stations have a position.
const drawn = (row) => expected.positioned.includes(row.from) && expected.positioned.includes(row.to);

before(async () => {
  browser = await Launch_Browser();
  page = await Open_File(browser, path.resolve(reportPath));
  await page.waitForSelector('body[data-ready="true"]', { timeout: 10000 });
});
after(async () => { if (browser) await browser.close(); });

test('loads with no console error and no network request', () => {
  Assert_No_Problems(page);
});

test('every station is shown on the map or, without a position, on the timeline', async () => {
  const mapLabels = await Assert_Station_Labels(page, expected, '#map ');
  const rowLabels = await page.$$eval('#timeline .row-label', (labels) => labels.map((l) => l.textContent));
  const markers = await page.$$eval('#map .station title', (t) => t.map((x) => x.textContent.split(' (')[0]));
  for (const name of expected.stations)
    assert.ok(mapLabels.includes(name) || markers.includes(name) || rowLabels.includes(name), name + ' is nowhere');
});

test('every session is in the selector, the legend and the timeline', async () => {
  const options = await page.$$eval('#session option', (o) => o.map((x) => x.textContent));
  assert.equal(options[0], 'All sessions');
  assert.deepEqual(options.slice(1).map((o) => o.split(' ')[0]).sort(), expected.sessions);
  const legend = await page.$$eval('#map .legend-entry tspan', (t) => t.map((x) => x.textContent).sort());
  const drawnSessions = [...new Set(expected.plan.plan.filter((row) => row.selected && drawn(row)).map((row) => row.session))].sort();
  assert.deepEqual(legend, drawnSessions);
  const bands = await page.$$eval('#timeline .band text', (t) => t.map((x) => x.textContent).sort());
  assert.deepEqual(bands, expected.sessions);
});

test('the summary counts what the plan holds', async () => {
  const figures = await page.$$eval('.figures li', (items) => Object.fromEntries(items.map((li) => [li.querySelector('span').textContent, li.querySelector('b').textContent])));
  const kept = expected.plan.plan.filter((row) => row.selected).length;
  assert.equal(figures['stations'], String(expected.plan.stations.length));
  assert.equal(figures['sessions'], String(expected.sessions.length));
  assert.equal(figures['to process'], String(kept));
  assert.equal(figures['redundant'], String(expected.plan.plan.length - kept));
});

// A table's rows as cell texts, every row (asking for all of a long one).
async function Table_Rows(selector) {
  const more = page.locator(selector + ' button.more');
  if (await more.isVisible()) await more.click();
  return page.$$eval(selector + ' tbody tr', (rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
}
// "TYPE #NUMBER", as the text report's occupation details name equipment.
const numbered = (type, number) => type || number ? (type || '-') + (number ? ' #' + number : '') : '';
// An occupation log's line: times without epochs, and no antenna offsets.
const logged = (occupation) => occupation.epochs === 0 && occupation.format.startsWith('occupation log');
const baseName = (path) => path.split(/[\\/]/).pop();

test('the verdict heads the report and the map, as the JSON report gives it', async () => {
  const line = Verdict_Line(expected.plan);
  if (!line) {
    assert.equal(await page.$$eval('#verdict, #checks, #observe-again, #map .verdict', (e) => e.length), 0);
    return;
  }
  assert.equal(await page.textContent('#verdict b'), line);
  assert.equal(await page.getAttribute('#verdict', 'class'), 'verdict ' + (expected.plan.standard.meets ? 'meets' : 'fails'));
  const failing = expected.plan.checks.filter((c) => Rule_Result(c) === 'fails').map((c) => c.rule);
  const listed = await page.$$eval('#verdict span', (s) => s.map((x) => x.textContent));
  if (failing.length) assert.equal(listed[0], 'failing: ' + failing.join(', '));
  assert.ok((await page.textContent('#map .verdict')).startsWith(line));
  assert.ok((await page.textContent('#checks .profile')).startsWith(expected.plan.standard.title + ': '));
  // Names from a profile file are text, never markup.
  assert.equal(await page.$$eval('#verdict i, #checks .profile b, .sources u, #map .verdict *', (e) => e.length), 0);
});

test('each session keeps its colour: legend, lines and timeline', async () => {
  if (!expected.positioned.length) return;
  await Assert_Legend_Colours(page, '#map ', true);
});

test('the scale bar is as long as its label says, measured against the stations drawn', async () => {
  const scale = await Scale_Bar_Against_Stations(page, expected, '#map ');
  if (!scale) return;
  assert.ok(Math.abs(scale.byLabel / scale.byStations - 1) < 0.01,
            'the bar of ' + scale.bar.label + ' is ' + scale.bar.pixels.toFixed(1) + ' px: ' + scale.byLabel.toFixed(3) +
            ' px per km, the stations ' + scale.byStations.toFixed(3));
});

async function Visible_Lines() {
  return page.$$eval('#map .obs.kept:not(.off)', (lines) => lines.map((l) => +l.dataset.session));
}
async function Plan_Table_Sessions() {
  return page.$$eval('#plan-table tbody tr td:first-child', (cells) => cells.map((c) => c.textContent));
}

test('choosing a session shows only it on the map and in the tables', async () => {
  const all = expected.plan.plan.filter((row) => row.selected && drawn(row));
  assert.equal((await Visible_Lines()).length, all.length);
  // Every session where there are few; a dozen spread over them where
  // there are many (each choice redraws the page).
  const step = Math.max(1, Math.ceil(expected.keptSessions.length / 12));
  const tried = expected.keptSessions.filter((s, i) => i % step === 0 || i === expected.keptSessions.length - 1);
  for (const session of tried) {
    const value = await page.$eval('#session', (select, name) => [...select.options].find((o) => o.textContent.startsWith(name + ' ')).value, session);
    await page.selectOption('#session', value);
    const kept = expected.plan.plan.filter((row) => row.selected && row.session === session);
    const lines = await Visible_Lines();
    assert.equal(lines.length, kept.filter(drawn).length, 'lines of ' + session);
    assert.ok(lines.every((s) => s === +value));
    const rows = await Plan_Table_Sessions();
    assert.equal(rows.length, kept.length, 'plan rows of ' + session);
    assert.ok(rows.every((name) => name === session));
    const highlighted = await page.$$eval('#timeline .band.selected text', (t) => t.map((x) => x.textContent));
    assert.deepEqual(highlighted, [session]);
    // The redundant ones appear on request, in the table and on the map.
    await page.check('#show-redundant');
    const everything = expected.plan.plan.filter((row) => row.session === session);
    assert.equal((await Plan_Table_Sessions()).length, everything.length);
    if (expected.positioned.length)
      assert.equal(await page.$eval('#map .redundant-layer', (g) => g.getAttribute('display')), 'inline');
    await page.uncheck('#show-redundant');
  }
  await page.selectOption('#session', '-1');
  assert.equal((await Visible_Lines()).length, all.length);
});

test('pointing at a station names it, clicking gives its details', async () => {
  const stations = await page.$$('#map .station');
  if (stations.length === 0) return;
  const name = await stations[0].evaluate((g) => g.querySelector('title').textContent.split(' (')[0]);
  await stations[0].hover();
  assert.ok((await page.textContent('#tooltip')).startsWith(name));
  assert.ok(await page.isVisible('#tooltip'));
  await stations[0].click();
  assert.ok((await page.textContent('#details h3')).startsWith(name));
  assert.match(await page.textContent('#details dl'), /latitude/);
});

test('clicking a line gives the observation, its session and its reason', async () => {
  const lines = await page.$$('#map .obs.kept');
  if (lines.length === 0) return;
  const index = await lines[0].getAttribute('data-observation');
  await page.$eval('#map .obs.kept line', (line) => line.dispatchEvent(new MouseEvent('click', { bubbles: true })));
  const row = expected.plan.plan[+index];
  const heading = await page.textContent('#details h3');
  assert.ok(heading.startsWith(row.from + ' \u2192 ' + row.to), heading);
  assert.match(heading, new RegExp('session ' + row.session));
  assert.ok((await page.textContent('#details dl')).includes(row.reason));
});

test('the tables sort and filter', async () => {
  const count = async () => page.$$eval('#occupation-table tbody tr', (r) => r.length);
  // Long tables list their first rows until asked for all.
  const more = page.locator('#occupation-table button.more');
  if (await more.isVisible()) {
    assert.equal(await count(), 300);
    await more.click();
  }
  assert.equal(await count(), expected.plan.occupations.length);
  const station = expected.plan.occupations[0].station;
  await page.fill('#occupation-table input', station);
  const shown = await page.$$eval('#occupation-table tbody tr', (rows) => rows.map((r) => r.textContent));
  assert.ok(shown.length >= 1 && shown.every((text) => text.includes(station)));
  await page.fill('#occupation-table input', '');
  await page.click('#plan-table th:nth-child(8)');
  await page.click('#plan-table th:nth-child(8)');
  const lengths = await page.$$eval('#plan-table tbody tr td:nth-child(8)', (c) => c.map((x) => x.textContent === '' ? -1 : +x.textContent));
  assert.deepEqual(lengths, lengths.slice().sort((a, b) => b - a), 'sorted by length, longest first');
});

// The tables below list every row once these have asked for all: they
// come after the tests that choose sessions, which redraw the tables.
test('the checks are filled the moment the page opens, rule by rule and item by item', async () => {
  if (!expected.plan.standard) return;
  const rules = await page.$$eval('#rule-table tbody tr', (rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
  assert.deepEqual(rules, expected.plan.checks.map((c) => [c.rule, Rule_Result(c), c.severity, String(c.failures.length), c.requirement]));
  const sources = await page.textContent('.sources');
  for (const check of expected.plan.checks) assert.ok(sources.includes(check.source), check.rule + ': its source is not listed');
  const failures = expected.plan.checks.flatMap((c) => c.failures.map((f) => [c.rule, Rule_Result(c), f.item, f.measured, f.required]));
  if (!failures.length) return;
  // The first rows without asking; all of them on request.
  const first = await page.$$eval('#failure-table tbody tr', (rows) => rows.length);
  assert.equal(first, Math.min(failures.length, 300));
  assert.deepEqual(await Table_Rows('#failure-table'), failures);
});

test('what to observe again: each new session with what it mends, drawn on the map, and the notes', async () => {
  if (!expected.plan.standard) return;
  const list = expected.plan.fieldList;
  if (!list.sessions.length && !list.notes.length) {
    assert.match(await page.textContent('#observe-again .note'), /^Nothing/);
    return;
  }
  const kilometres = (metres) => metres === null ? '-' : (metres / 1000).toFixed(3);
  assert.deepEqual(await Table_Rows('#field-table'), list.sessions.map((f) =>
    [String(f.session), f.station, f.with, kilometres(f.lengthMetres), String(f.minutes), f.mends.join('; ')]));
  assert.deepEqual(await page.$$eval('#field-notes li', (l) => l.map((x) => x.textContent)), list.notes);
  // Drawn where both stations are, unless there are too many to draw: then the map says so.
  const placed = list.sessions.filter((f) => expected.positioned.includes(f.station) && expected.positioned.includes(f.with));
  const drawn = await page.$$eval('#map .field-session', (l) => l.map((x) => +x.dataset.field));
  const leftOff = await page.$$eval('#map .field-list-left-off', (n) => n.map((x) => x.textContent));
  if (leftOff.length) {
    assert.equal(drawn.length, 0);
    assert.ok(leftOff[0].startsWith(list.sessions.length + ' new sessions to observe'), leftOff[0]);
  } else assert.deepEqual(drawn, placed.map((f) => f.session));
});

test('every occupation with its data and its set-up as its file gives them', async () => {
  const occupations = expected.plan.occupations;
  const data = await Table_Rows('#occupation-table');
  assert.deepEqual(data.map((row) => [row[0], row[1], row[4], row[5], row[6], row[7]]), occupations.map((o, i) =>
    [String(i + 1), o.station, o.epochs ? String(o.epochs) : '-', o.intervalSeconds === null ? '-' : String(o.intervalSeconds),
     o.completeness === null ? '-' : (o.completeness * 100).toFixed(1), String(o.gaps)]));
  const headings = await page.$$eval('#setup-table th', (h) => h.map((x) => x.textContent));
  const cell = (row, heading) => row[headings.indexOf(heading)];
  const setups = await Table_Rows('#setup-table');
  assert.equal(setups.length, occupations.length);
  setups.forEach((row, i) => {
    const o = occupations[i];
    const names = o.files.map(baseName);
    assert.deepEqual([cell(row, '#'), cell(row, 'station'), cell(row, 'receiver'), cell(row, 'antenna'), cell(row, 'height m'),
                      cell(row, 'east m'), cell(row, 'north m'), cell(row, 'marker'), cell(row, 'files')],
                     [String(i + 1), o.station, numbered(o.receiver, o.receiverNumber), numbered(o.antenna, o.antennaNumber),
                      ...[o.antennaHeight, o.antennaEast, o.antennaNorth].map((m) => logged(o) ? '-' : m.toFixed(4)),
                      numbered(o.markerName, o.markerNumber),
                      names.length > 2 ? names.slice(0, 2).join(', ') + ' and ' + (names.length - 2) + ' more' : names.join(', ')],
                     'occupation ' + (i + 1));
  });
});

test('the map and the timeline are drawn, not blank', async () => {
  const map = await page.locator('#map').screenshot();
  const ink = await Ink_Share(page, map);
  assert.ok(ink > 0.002, 'the map is blank: ' + ink);
  if (!expected.positioned.length)
    assert.match(await page.textContent('#map .no-positions'), /No station has a position/);
  if (expected.plan.occupations.length) {
    const timeline = await page.locator('#timeline').screenshot();
    assert.ok(await Ink_Share(page, timeline) > 0.01, 'the timeline is blank');
  }
  if (screenshots) {
    // As the README shows them: the page from its top to the timeline, and
    // the checks with what to observe again; the page at its top so that
    // the session bar stays in its place.
    await page.evaluate(() => window.scrollTo(0, 0));
    const width = page.viewportSize().width;
    const bottom = await page.$eval('#timeline', (e) => e.getBoundingClientRect().bottom + window.scrollY);
    await page.screenshot({ path: screenshots + '_overview.png', fullPage: true, clip: { x: 0, y: 0, width, height: bottom + 10 } });
    if (expected.plan.standard) {
      const [top, end] = await page.evaluate(() => [document.querySelector('#checks').getBoundingClientRect().top + window.scrollY,
                                                     document.querySelector('#observe-again').getBoundingClientRect().bottom + window.scrollY]);
      await page.screenshot({ path: screenshots + '_checks.png', fullPage: true, clip: { x: 0, y: top - 10, width, height: end - top + 20 } });
    }
  }
  Assert_No_Problems(page);
});
