// The system Chromium driven by playwright-core (no browser is downloaded):
// a page that records its console errors, page errors and every request
// that is not for the file itself or a data: URL.
import { chromium } from 'playwright-core';
import { pathToFileURL } from 'node:url';

export const chromiumPath = process.env.MIN_LUMO_CHROMIUM || '/usr/bin/chromium';

export async function Launch_Browser() {
  // --no-sandbox: the tests may run as root, where Chromium's sandbox refuses to start.
  return chromium.launch({ executablePath: chromiumPath, headless: true, args: ['--no-sandbox'] });
}

// Opens `file` in a fresh page; `page.problems` collects console errors,
// uncaught exceptions and refused requests.
export async function Open_File(browser, file, viewport = { width: 1400, height: 1000 }) {
  const context = await browser.newContext({ viewport, offline: true });
  const page = await context.newPage();
  page.problems = [];
  page.requests = [];
  const url = pathToFileURL(file).href;
  await context.route('**/*', (route) => {
    const requested = route.request().url();
    page.requests.push(requested);
    if (requested === url || requested.startsWith('data:')) return route.continue();
    page.problems.push('network request attempted: ' + requested);
    return route.abort();
  });
  page.on('console', (message) => { if (message.type() === 'error') page.problems.push('console error: ' + message.text()); });
  page.on('pageerror', (error) => page.problems.push('page error: ' + error.message));
  await page.goto(url, { waitUntil: 'load' });
  return page;
}
