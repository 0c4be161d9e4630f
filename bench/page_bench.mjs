// Times tallyview's page in Debian's headless Chromium (playwright-core):
// navigation to the first rendered failed row, to the whole tree's data
// being ready, the "failed only" filter and a search (each from the input to
// the next painted frame), and Chromium's memory: the peak of the
// proportional resident memory of all its processes added up, and the
// page's JavaScript heap. Prints one line of JSON.
//
// Two searches: the name of the first failed case (a few matches), and
// HEAVY_QUERY, a word found in a large part of the rows.
//
// Usage: node page_bench.mjs PAGE.html [HEAVY_QUERY]
import { chromium } from 'playwright-core';
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [pagePath, heavyQuery = 'assert'] = process.argv.slice(2);
const profile = mkdtempSync(join(tmpdir(), 'tallyview-bench-'));

// Proportional resident kB (PSS: each shared page divided among the
// processes that share it) of the browser started with this profile and of
// every process below it (renderer, GPU, utility processes).
function chromiumRss() {
  const parent = new Map(), rss = new Map(), roots = [];
  for (const pid of readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const status = readFileSync(`/proc/${pid}/status`, 'utf8');
      parent.set(pid, /PPid:\s+(\d+)/.exec(status)[1]);
      const rollup = readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
      rss.set(pid, Number((/Pss:\s+(\d+)/.exec(rollup) || [0, 0])[1]));
      if (readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes(profile)) roots.push(pid);
    } catch { /* the process ended */ }
  }
  const mine = new Set(roots);
  for (let grew = true; grew;) {
    grew = false;
    for (const [pid, ppid] of parent) if (!mine.has(pid) && mine.has(ppid)) { mine.add(pid); grew = true; }
  }
  let total = 0;
  for (const pid of mine) total += rss.get(pid) || 0;
  return total;
}

const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1200, height: 900 },
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic', '--enable-precise-memory-info'],
});
const result = {};
let peak = 0;
const sample = () => { peak = Math.max(peak, chromiumRss()); };
const sampler = setInterval(sample, 100);
try {
  const page = context.pages()[0] ?? await context.newPage();
  const started = Date.now();
  await page.goto(pathToFileURL(resolve(pagePath)).href, { waitUntil: 'commit', timeout: 600000 });
  await page.waitForSelector('.row.failed', { timeout: 600000 });
  result.firstFailureSeconds = (Date.now() - started) / 1000;
  // The same from the navigation's start in the page (its time origin), up
  // to the first frame painted with the failures (the page's own record;
  // Playwright's polling may wait behind the page's work on the rest).
  const origin = await page.evaluate(() => [performance.timeOrigin, window.tallyviewTimes?.painted ?? performance.now()]);
  result.navigationStartedAfterSeconds = (origin[0] - started) / 1000;
  result.firstFailurePageSeconds = origin[1] / 1000;
  await page.waitForSelector('body[data-ready]', { timeout: 600000 });
  result.readySeconds = (Date.now() - started) / 1000;
  // The search text is built just after; let it finish first.
  await page.evaluate(() => new Promise((done) => setTimeout(done, 0)));
  sample();

  // From the input to the next painted frame.
  const answer = (act) => page.evaluate(async (what) => {
    const began = performance.now();
    if (what.filter) {
      document.getElementById('failed-only').click();
    } else {
      const search = document.getElementById('search');
      document.getElementById('match-count').textContent = '';
      search.value = what.query;
      search.dispatchEvent(new Event('input'));
      const count = document.getElementById('match-count');
      await new Promise((done) => { const poll = () => (/\d/.test(count.textContent) ? done() : setTimeout(poll, 1)); poll(); });
    }
    await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
    return [performance.now() - began, window.tallyviewTimes.apply, window.tallyviewTimes.flatten];
  }, act);
  const name = (await page.locator('.line.scope.counted.ko .title').first().textContent()).split(' ').pop();
  result.filterMs = await answer({ filter: true });
  sample();
  result.searchMs = await answer({ query: name });
  result.matches = `${name}: ${await page.textContent('#match-count')}`;
  sample();
  result.filterOffMs = await answer({ filter: true });
  result.heavySearchMs = await answer({ query: heavyQuery });
  result.heavyMatches = `${heavyQuery}: ${await page.textContent('#match-count')}`;
  result.linesInDocument = await page.locator('#tree .line').count();
  result.jsHeapMB = await page.evaluate(() => (performance.memory ? performance.memory.usedJSHeapSize / 1e6 : -1));
  sample();
} catch (error) {
  result.error = String(error && error.message || error).split('\n')[0];
} finally {
  clearInterval(sampler);
  result.chromiumPeakMB = peak / 1024;
  await context.close();
  rmSync(profile, { recursive: true, force: true });
}
console.log(JSON.stringify(result));
