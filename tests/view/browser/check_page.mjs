// tallyview's HTML page in Debian's Chromium, driven by playwright-core:
//   - the page loads nothing but itself and runs without script errors
//     (a security-policy violation would show as a console error);
//   - the counts shown are the report's, and the tree's drivers add up to
//     them (read by scrolling the collapsed tree from top to bottom);
//   - the first failed case is open and red with its failed row in view;
//     clicking its line collapses and reopens it; opening a passed case
//     renders its checks;
//   - "failed only" leaves only failed scopes and, in them, the rows that
//     explain the failure (failed rows and Print rows), no table header
//     without a row under it;
//   - the search finds a failed check: a match count, the match marked;
//   - the URL fragment keeps filter and search, so a reload restores the
//     view; a link to a case brings it into view;
//   - with every scope open, the document holds a bounded number of lines
//     (the list is virtualised), whatever the size of the run;
//   - a dark palette under prefers-color-scheme: dark;
//   - per page: the search narrows the tree (examples); texts that would
//     run as markup stay text, the report's labels (mixed); the page's
//     language (examples);
//     the failed check's message under "failed only", "changed only"
//     (traces); a generated run of a few thousand cases (large);
//   - screenshots are kept: as opened, and with every section open (and the
//     traces page under "failed only").
// Waits are for conditions (Playwright's own polling), never for a time.
//
// Usage: node check_page.mjs PAGE.html examples|mixed|traces|large PASSED FAILED SCREENSHOT.png
import { chromium } from 'playwright-core';
import { mkdtempSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [pagePath, kind, passedText, failedText, screenshot] = process.argv.slice(2);
const expectedPassed = Number(passedText);
const expectedFailed = Number(failedText);
const pageUrl = pathToFileURL(resolve(pagePath)).href;
const problems = [];
const MAX_LINES = 100; // lines in the document at most: a 900 px view and some spare

function check(condition, what) {
  if (!condition) problems.push(what);
}

const RED = 'rgb(198, 40, 40)';

const profile = mkdtempSync(join(tmpdir(), 'tallyview-chromium-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1200, height: 900 },
  colorScheme: 'light',
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic'],
});

// The lines in the document: classes, scope, text.
const linesShown = (page) => page.$$eval('#tree .line', (lines) => lines.map((line) => ({
  cls: line.className, scope: line.dataset.scope, text: line.textContent })));

async function open(page, url) {
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForSelector('body[data-ready]');
}

// Sums the tallies of the drivers, scrolling the collapsed tree.
async function driverTotals(page) {
  await page.click('#collapse-all');
  const seen = new Map();
  for (let y = 0; ; y += 600) {
    await page.evaluate((top) => window.scrollTo(0, top), y);
    // The lines are rendered on the next frame after the scroll.
    await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
    for (const line of await page.$$eval('#tree .line.scope', (ls) => ls.map((l) => ({
      scope: l.dataset.scope, driver: l.classList.contains('driver'),
      ok: Number(l.querySelector('.t-ok')?.textContent ?? 0),
      ko: Number(l.querySelector('.t-ko')?.textContent ?? 0) })))) {
      if (line.driver) seen.set(line.scope, line);
    }
    const atEnd = await page.evaluate(() => window.scrollY + window.innerHeight >= document.body.scrollHeight - 2);
    if (atEnd) break;
  }
  await page.evaluate(() => window.scrollTo(0, 0));
  let ok = 0, ko = 0;
  for (const d of seen.values()) { ok += d.ok; ko += d.ko; }
  return { ok, ko, drivers: seen.size };
}

try {
  const page = context.pages()[0] ?? await context.newPage();
  const requests = [];
  const errors = [];
  page.on('request', (request) => requests.push(request.url()));
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  await open(page, pageUrl);
  check(requests.every((url) => url === pageUrl), `requests beyond the page: ${requests.join(', ')}`);

  // Counts shown, and the drivers' tallies.
  const shown = {
    passed: Number(await page.textContent('#count-passed')),
    failed: Number(await page.textContent('#count-failed')),
    total: Number(await page.textContent('#count-total')),
  };
  check(shown.passed === expectedPassed && shown.failed === expectedFailed &&
        shown.total === expectedPassed + expectedFailed,
        `counts shown ${JSON.stringify(shown)}, expected ${expectedPassed} passed and ${expectedFailed} failed`);

  // As opened: failures first, the first failed case open and red, its failed row in view.
  const failedCase = page.locator('#tree .line.scope.counted.ko').first();
  const failedRow = page.locator('#tree .line.row.failed').first();
  check(await failedCase.evaluate((e) => e.classList.contains('open')), 'the first failed case is not open');
  check(await failedCase.locator('.title').evaluate((e) => getComputedStyle(e).color) === RED,
        'the failed case title is not red');
  check(await failedCase.evaluate((e) => getComputedStyle(e).borderLeftColor) === RED,
        'the failed case has no red border');
  check(await failedRow.isVisible(), 'no failed check row in view');
  const firstScope = (await linesShown(page))[0];
  check(firstScope.cls.includes('ko'), 'the tree does not start with a failure');
  const failedText = (await failedRow.locator('.text').textContent()).trim();
  const failedScope = await failedCase.getAttribute('data-scope');

  // Collapse and reopen the failed case by clicking its line.
  await failedCase.click();
  await page.waitForFunction((s) => !document.querySelector(`.line.scope[data-scope="${s}"]`).classList.contains('open'),
                             failedScope);
  check(await page.$eval(`.line.scope[data-scope="${failedScope}"]`,
                         (l) => !l.nextElementSibling || l.nextElementSibling.classList.contains('scope')),
        'collapsing the failed case left its rows');
  await page.locator(`.line.scope[data-scope="${failedScope}"]`).click();
  await page.locator('#tree .line.row.failed').first().waitFor({ state: 'visible' });

  // Opening a passed case renders its checks.
  const passedCase = page.locator('#tree .line.scope.counted.ok:not(.open)').first();
  if (await passedCase.count() > 0) {
    const scope = await passedCase.getAttribute('data-scope');
    await passedCase.click();
    await page.waitForFunction((s) => {
      const line = document.querySelector(`.line.scope[data-scope="${s}"]`);
      const next = line && line.nextElementSibling;
      return next && (next.classList.contains('thead') || next.classList.contains('row'));
    }, scope);
  }

  // Failed only: failed scopes, and in them only the rows that explain.
  await page.check('#failed-only');
  await page.waitForFunction(() => [...document.querySelectorAll('#tree .line.scope')].every((l) => l.classList.contains('ko')));
  const onlyLines = await linesShown(page);
  check(onlyLines.every((l) => !l.cls.includes('row') || l.cls.includes('failed') || l.cls.includes('print')),
        'rows other than failed and Print rows under "failed only"');
  check(onlyLines.every((l, i) => !l.cls.includes('thead') || (onlyLines[i + 1] && onlyLines[i + 1].cls.includes('row'))),
        'a table header without a row under "failed only"');
  check(await page.locator('#tree .line.row.failed').count() > 0, 'no failed row under "failed only"');
  if (kind === 'traces') {
    check(await page.getByText('no exception for a division by zero').isVisible(),
          'the failed check\'s message is not visible under "failed only"');
    await page.screenshot({ path: screenshot.replace(/\.png$/, '-failed-only.png'), fullPage: true });
  }
  if (kind === 'mixed') {
    check(await page.locator('#tree .line.row.print').count() > 0, 'no Print row of a failed case under "failed only"');
  }

  // Search, under "failed only": the failed check is found and marked.
  const query = failedText.slice(0, 24).trim();
  await page.fill('#search', query);
  await page.waitForFunction(() => /\d/.test(document.getElementById('match-count').textContent));
  const matches = Number((await page.textContent('#match-count')).match(/\d+/)[0]);
  check(matches >= 1, `search "${query}": ${matches} matches`);
  const marked = await page.locator('#tree .line.row.failed mark').first().textContent().catch(() => '');
  check(marked.toLowerCase() === query.toLowerCase(), `search "${query}": the match marked is "${marked}"`);

  // The fragment holds the view; a reload restores it.
  const hash = await page.evaluate(() => location.hash);
  check(hash.includes('f=1') && hash.includes('q='), `the fragment does not hold the view: "${hash}"`);
  await page.evaluate(() => window.scrollTo(0, 0));
  const before = (await linesShown(page)).map((l) => l.text);
  await page.reload({ waitUntil: 'load' });
  await page.waitForSelector('body[data-ready]');
  await page.waitForFunction(() => /\d/.test(document.getElementById('match-count').textContent));
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.waitForFunction(() => window.scrollY === 0);
  check(await page.isChecked('#failed-only') && await page.inputValue('#search') === query,
        'the fragment did not restore the controls');
  const after = (await linesShown(page)).map((l) => l.text);
  check(JSON.stringify(after) === JSON.stringify(before), 'the fragment did not restore the same lines');
  await page.fill('#search', '');
  await page.uncheck('#failed-only');
  await page.waitForFunction(() => location.hash === '');

  // A link to a case brings it into view, opened and marked.
  await page.goto(`${pageUrl}#case=${failedScope}`);
  const target = page.locator(`.line.scope.target[data-scope="${failedScope}"]`);
  await target.waitFor({ state: 'visible' });

  // The drivers add up to the counts.
  await open(page, pageUrl);
  const totals = await driverTotals(page);
  check(totals.ok === shown.passed && totals.ko === shown.failed,
        `the ${totals.drivers} drivers count ${totals.ok} passed and ${totals.ko} failed cases`);

  // Every scope open: still only the lines in view.
  await page.click('#expand-all');
  await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight / 2));
  await page.waitForFunction(() => document.querySelector('#tree .line') !== null);
  const inDocument = await page.locator('#tree .line').count();
  check(inDocument > 0 && inDocument <= MAX_LINES, `${inDocument} lines in the document with every scope open`);

  if (kind === 'examples') {
    // The search finds a check inside a passed, closed case.
    await open(page, pageUrl);
    await page.fill('#search', 'divide(4');
    await page.waitForFunction(() => document.getElementById('match-count').textContent.includes('1'));
    const cases = await page.locator('#tree .line.scope.counted .title').allTextContents();
    check(cases.length === 1 && cases[0] === 'Test Case testDivide', `search shows ${JSON.stringify(cases)}`);
    check(await page.locator('#tree .line.row').count() === 1, 'search shows other rows than the match');
    check(await page.getAttribute('html', 'lang') === 'en', 'the page is not marked as English');
  } else if (kind === 'traces') {
    // Changed only: the case that fails now and passed in the baseline.
    await open(page, pageUrl);
    await page.check('#changed-only');
    await page.waitForFunction(() => document.querySelectorAll('#tree .line.scope.counted').length === 1);
    const cases = await page.locator('#tree .line.scope.counted .title').allTextContents();
    check(cases.length === 1 && cases[0] === 'Test Case testDivide', `changed only shows ${JSON.stringify(cases)}`);
    check((await page.textContent('#changes')).includes('CalcTest/CalcSuite/testDivide'),
          'the marks at the top do not name the newly failing case');
  } else if (kind === 'mixed') {
    await page.fill('#search', '__pwned');
    await page.waitForFunction(() => document.getElementById('match-count').textContent.includes('2'));
    check(await page.evaluate(() => window.__pwned) === undefined, 'a text of the results file ran as script');
    check(await page.locator('img').count() === 0, 'a text of the results file became an element');
    const texts = await page.$$eval('#tree .line.row .text', (ts) => ts.map((t) => t.textContent));
    check(texts.includes('a <img src=x onerror="window.__pwned=1"> b') &&
          texts.includes('verifyLogMessage("</script><script>window.__pwned=2</script>")'),
          `texts that look like markup are not shown as they are: ${JSON.stringify(texts)}`);
    check((await page.textContent('label.filter')).includes('Échoués'), 'the filter does not use the report label');
  }

  // Dark palette.
  await page.emulateMedia({ colorScheme: 'dark' });
  const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
  check(background === 'rgb(18, 18, 18)', `the dark palette is not applied (background ${background})`);
  await page.emulateMedia({ colorScheme: 'light' });

  await open(page, pageUrl);
  await page.screenshot({ path: screenshot, fullPage: kind !== 'large' });
  check(statSync(screenshot).size > 10000, 'the screenshot is too small to show the page');
  // And everything opened: Print rows, messages and stub tables in view.
  await page.click('#expand-all');
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-expanded.png'), fullPage: kind !== 'large' });
  check(errors.length === 0, `page errors: ${errors.join(' | ')}`);
} catch (error) {
  problems.push(String(error && error.stack || error));
} finally {
  await context.close();
  rmSync(profile, { recursive: true, force: true });
}

if (problems.length) {
  console.log(`FAIL ${pagePath}:\n  ${problems.join('\n  ')}`);
  process.exit(1);
}
console.log(`ok ${pagePath}: ${expectedPassed} passed, ${expectedFailed} failed shown and in the tree; ` +
            `screenshot ${screenshot}`);
