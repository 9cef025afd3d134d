// `make bench`: the HTML report of a large campaign in headless Chromium --
// its size, and the time from starting to load it until its script has
// drawn everything and it answers (body[data-ready]); the median of five.
//   node bench_report.mjs REPORT.html RESULT.json
import fs from 'node:fs';
import path from 'node:path';
import { Launch_Browser, Open_File } from './browser.mjs';

const [report, result] = process.argv.slice(2);
const bytes = fs.statSync(report).size;
const browser = await Launch_Browser();
const times = [];
let problems = [];
for (let run = 0; run < 5; ++run) {
  const page = await Open_File(browser, path.resolve(report));
  await page.waitForSelector('body[data-ready="true"]', { timeout: 60000 });
  // From the start of loading until the script has drawn everything and the
  // page has loaded and laid out, whichever comes last, as the page measures it.
  const ready = +(await page.getAttribute('body', 'data-ready-milliseconds'));
  const loaded = await page.evaluate(() => performance.getEntriesByType('navigation')[0].loadEventEnd);
  times.push(Math.max(ready, loaded) / 1000);
  problems = problems.concat(page.problems);
  await page.context().close();
}
await browser.close();
times.sort((a, b) => a - b);
const seconds = times[2];
console.log(`report: ${path.basename(report)} ${(bytes / 1e6).toFixed(2)} MB, interactive in ${seconds.toFixed(2)} s ` +
            `(median of 5 in headless Chromium)${problems.length ? '; problems: ' + problems.join('; ') : ''}`);
fs.writeFileSync(result, JSON.stringify({ bytes, secondsToInteractive: seconds, runs: times, problems }) + '\n');
