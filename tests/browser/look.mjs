// Screenshots of reports and maps for looking at them by eye:
//   node look.mjs OUT_FOLDER FILE...
import { Launch_Browser, Open_File } from './browser.mjs';
import path from 'node:path';
const [out, ...files] = process.argv.slice(2);
const browser = await Launch_Browser();
for (const file of files) {
  const page = await Open_File(browser, path.resolve(file));
  await page.waitForTimeout(300);
  const name = path.join(out, path.basename(file) + '.png');
  if (file.endsWith('.svg')) {
    // A whole-page shot of an SVG document never finishes: size the view to the drawing instead.
    const size = await page.evaluate(() => [document.documentElement.width.baseVal.value, document.documentElement.height.baseVal.value]);
    await page.setViewportSize({ width: Math.ceil(size[0]), height: Math.ceil(size[1]) });
    await page.screenshot({ path: name });
  } else await page.screenshot({ path: name, fullPage: true });
  console.log(name, page.problems.join('; '));
}
await browser.close();
