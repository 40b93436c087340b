// Loads a report page of laifit-inspect in headless chromium and checks what a person would see: no
// console error, no request beyond the page itself, a section and a picture for every folder, sorting by a
// column, and nothing from a hostile folder name turned into markup.
//   node check.mjs PAGE.html HOSTILE_NAME [SCREENSHOT.png]
import puppeteer from 'puppeteer-core';
import { pathToFileURL } from 'node:url';

const [page_path, hostile, screenshot] = process.argv.slice(2);
const failures = [];
const fail = (why) => failures.push(why);

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--allow-file-access-from-files'],
});
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1200, height: 900 });
  page.on('console', (m) => { if (m.type() === 'error') fail('console error: ' + m.text()); });
  page.on('pageerror', (e) => fail('page error: ' + e.message));
  const url = pathToFileURL(page_path).href;
  page.on('request', (r) => { if (r.url() !== url) fail('request beyond the page: ' + r.url()); });
  await page.goto(url, { waitUntil: 'load' });

  const facts = await page.evaluate((hostile) => {
    const rows = [...document.querySelectorAll('#summary tbody tr')];
    const sections = [...document.querySelectorAll('section')];
    return {
      rows: rows.length,
      sections: sections.length,
      links: rows.every((r) => { const a = r.querySelector('a'); return a && document.getElementById(a.getAttribute('href').slice(1)); }),
      pictures: sections.filter((s) => s.querySelector('svg')).length,
      failed: rows.filter((r) => r.classList.contains('failed')).length,
      warned: rows.filter((r) => r.classList.contains('warned')).length,
      evil: document.querySelectorAll('#evil, b#evil, [onerror]').length,
      hostile_shown: rows.some((r) => r.cells[0].textContent.includes(hostile)),
    };
  }, hostile);
  console.log(JSON.stringify(facts));
  if (facts.rows < 2 || facts.rows !== facts.sections) fail(`${facts.rows} rows against ${facts.sections} sections`);
  if (!facts.links) fail('a row does not link to its section');
  if (facts.pictures !== facts.sections - facts.failed) fail(`${facts.pictures} pictures for ${facts.sections - facts.failed} inspected folders`);
  if (facts.warned < 1) fail('no row highlighted for its warnings');
  if (facts.evil !== 0) fail('the hostile folder name became markup');
  if (!facts.hostile_shown) fail('the hostile folder name is not shown as text');

  // Sorting: rmse ascending on the first click (empty cells last), descending on the second.
  const rmse = async () => page.evaluate(() => {
    const heads = [...document.querySelectorAll('#summary thead th')];
    const column = heads.findIndex((h) => h.textContent === 'rmse');
    return [...document.querySelectorAll('#summary tbody tr')].map((r) => r.cells[column].textContent)
      .filter((t) => t !== '').map(Number);
  });
  const header = await page.evaluateHandle(() => [...document.querySelectorAll('#summary thead th')].find((h) => h.textContent === 'rmse'));
  await header.click();
  const up = await rmse();
  if (up.some((v, k) => k > 0 && up[k - 1] > v)) fail('not sorted up by rmse: ' + up);
  await header.click();
  const down = await rmse();
  if (down.some((v, k) => k > 0 && down[k - 1] < v)) fail('not sorted down by rmse: ' + down);
  if (screenshot) {
    await header.click();
    await page.screenshot({ path: screenshot, clip: { x: 0, y: 0, width: 1200, height: 900 } });
  }
} finally {
  await browser.close();
}
if (failures.length) {
  for (const f of failures) console.error('page-check: ' + f);
  process.exit(1);
}
console.log('page-check: the page loads clean, with every section, picture and sort');
