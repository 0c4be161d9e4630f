// tallyview's HTML page in Debian's Chromium, driven by playwright-core:
//   - the page loads nothing but itself and runs without script errors
//     (a security-policy violation would show as a console error);
//   - the counts shown are the report's, and the tree holds as many passed
//     and failed cases;
//   - a failed case is open and red, a passed one closed; clicking a title
//     collapses and reopens its section;
//   - "failed only" leaves only failed scopes and, in them, the rows that
//     explain the failure (failed rows and Print rows), no table without a
//     visible row, and undoes cleanly;
//   - the search narrows the tree to the matching cases (examples page);
//   - texts that would run as markup stay text (mixed page);
//   - from the traces: the failed check's message is visible under "failed
//     only", and "changed only" leaves the case that newly fails (traces page);
//   - full-page screenshots are kept: as opened, and with every section open
//     (and the traces page under "failed only").
// Waits are for conditions (Playwright's own polling), never for a time.
//
// Usage: node check_page.mjs PAGE.html examples|mixed|traces PASSED FAILED SCREENSHOT.png
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

function check(condition, what) {
  if (!condition) problems.push(what);
}

const RED = 'rgb(198, 40, 40)';

const profile = mkdtempSync(join(tmpdir(), 'tallyview-chromium-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  viewport: { width: 1200, height: 900 },
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--disable-quic'],
});

try {
  const page = context.pages()[0] ?? await context.newPage();
  const requests = [];
  const errors = [];
  page.on('request', (request) => requests.push(request.url()));
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  await page.goto(pageUrl, { waitUntil: 'load' });

  check(requests.every((url) => url === pageUrl), `requests beyond the page: ${requests.join(', ')}`);

  // Counts shown, and the cases of the tree.
  const shown = {
    passed: Number(await page.textContent('#count-passed')),
    failed: Number(await page.textContent('#count-failed')),
    total: Number(await page.textContent('#count-total')),
  };
  check(shown.passed === expectedPassed && shown.failed === expectedFailed &&
        shown.total === expectedPassed + expectedFailed,
        `counts shown ${JSON.stringify(shown)}, expected ${expectedPassed} passed and ${expectedFailed} failed`);
  const passedCases = await page.locator('details.scope.counted.ok').count();
  const failedCases = await page.locator('details.scope.counted.ko').count();
  check(passedCases === shown.passed, `${passedCases} passed cases in the tree, ${shown.passed} in the summary`);
  check(failedCases === shown.failed, `${failedCases} failed cases in the tree, ${shown.failed} in the summary`);

  // A failed case: open and red, its failed row visible.
  const failedCase = page.locator('details.scope.counted.ko').first();
  const failedTitle = failedCase.locator(':scope > summary .title');
  const failedRow = failedCase.locator(':scope > .content > table tr.row.failed').first();
  check(await failedCase.evaluate((d) => d.open), 'the failed case is not open');
  check(await failedTitle.evaluate((e) => getComputedStyle(e).color) === RED, 'the failed case title is not red');
  check(await failedCase.evaluate((e) => getComputedStyle(e).borderLeftColor) === RED,
        'the failed case has no red border');
  check(await failedRow.isVisible(), 'the failed check row is not visible');

  // A passed case is closed.
  const passedCase = page.locator('details.scope.counted.ok').first();
  check(!(await passedCase.evaluate((d) => d.open)), 'a passed case is open');

  // Collapse and reopen the failed case by clicking its title.
  await failedCase.locator(':scope > summary').click();
  await failedRow.waitFor({ state: 'hidden' });
  check(!(await failedCase.evaluate((d) => d.open)), 'clicking did not collapse the failed case');
  await failedCase.locator(':scope > summary').click();
  await failedRow.waitFor({ state: 'visible' });

  // Failed only: every visible scope is a failed one, every visible row a
  // failed row or a Print row of a failed scope, every visible table has one.
  await page.check('#failed-only');
  await page.waitForFunction(() =>
    [...document.querySelectorAll('details.scope.ok')].every((d) => d.hidden));
  const visibleFailed = await page.locator('details.scope.counted.ko:visible').count();
  check(visibleFailed === shown.failed, `${visibleFailed} failed cases visible under "failed only"`);
  const visibleOtherRows = await page.locator('tr.row:not(.failed):not(.print):visible').count();
  check(visibleOtherRows === 0, `${visibleOtherRows} non-failed rows visible under "failed only"`);
  const emptyTables = await page.evaluate(() => [...document.querySelectorAll('table.checks')]
    .filter((t) => !t.hidden && t.closest('details.scope:not([hidden])') &&
                   ![...t.querySelectorAll('tr.row')].some((r) => !r.hidden)).length);
  check(emptyTables === 0, `${emptyTables} tables without a visible row under "failed only"`);
  if (kind === 'traces') {
    check(await page.getByText('no exception for a division by zero').isVisible(),
          'the failed check\'s message is not visible under "failed only"');
    await page.screenshot({ path: screenshot.replace(/\.png$/, '-failed-only.png'), fullPage: true });
  }
  if (kind === 'mixed') {
    // A failed case's Print rows stay: they often hold the reason.
    check(await page.locator('details.scope.ko tr.row.print:visible').count() > 0,
          'no Print row of a failed case visible under "failed only"');
  }
  await page.uncheck('#failed-only');
  await page.waitForFunction(() =>
    [...document.querySelectorAll('details.scope')].every((d) => !d.hidden));

  // Expand all / collapse all.
  await page.click('#expand-all');
  check(await page.locator('details.scope:not([open])').count() === 0, 'expand all left sections closed');
  await page.click('#collapse-all');
  check(await page.locator('details.scope[open]').count() === 0, 'collapse all left sections open');

  if (kind === 'examples') {
    // The search finds a check inside a passed, closed case.
    await page.fill('#search', 'divide(4');
    await page.waitForFunction(() =>
      [...document.querySelectorAll('details.scope.counted')].filter((d) => !d.hidden).length === 1);
    const titles = await page.locator('details.scope.counted:visible > summary .title').allTextContents();
    check(titles.length === 1 && titles[0] === 'Test Case testDivide', `search shows ${JSON.stringify(titles)}`);
    check(await page.locator('tr.row:visible').count() === 1, 'search shows other rows than the match');
    await page.fill('#search', '');
    await page.waitForFunction(() =>
      [...document.querySelectorAll('details.scope')].every((d) => !d.hidden));
    // Back to the state of a fresh page for the screenshot: failed sections open.
    await page.reload({ waitUntil: 'load' });
  } else if (kind === 'traces') {
    // Changed only: the case that fails now and passed in the baseline.
    await page.check('#changed-only');
    await page.waitForFunction(() =>
      [...document.querySelectorAll('details.scope.counted')].filter((d) => !d.hidden).length === 1);
    const titles = await page.locator('details.scope.counted:visible > summary .title').allTextContents();
    check(titles.length === 1 && titles[0] === 'Test Case testDivide', `changed only shows ${JSON.stringify(titles)}`);
    check((await page.textContent('#changes')).includes('CalcTest/CalcSuite/testDivide'),
          'the marks at the top do not name the newly failing case');
    await page.uncheck('#changed-only');
    await page.waitForFunction(() =>
      [...document.querySelectorAll('details.scope')].every((d) => !d.hidden));
    await page.reload({ waitUntil: 'load' });
  } else {
    check(await page.evaluate(() => window.__pwned) === undefined, 'a text of the results file ran as script');
    check(await page.locator('img').count() === 0, 'a text of the results file became an element');
    check((await page.textContent('label.filter')).includes('Échoués'), 'the filter does not use the report label');
    await page.reload({ waitUntil: 'load' });
  }

  await page.screenshot({ path: screenshot, fullPage: true });
  check(statSync(screenshot).size > 10000, 'the screenshot is too small to show the page');
  // And everything opened: Print rows, messages and stub tables in view.
  await page.click('#expand-all');
  await page.screenshot({ path: screenshot.replace(/\.png$/, '-expanded.png'), fullPage: true });
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
