// tallyview's output read by what nobody here wrote, on pages and JUnit files made from the example
// traces (through tallyrpt's results file, and read by tallyview itself), tests/view/data/mixed.xrd
// and a generated run of some 2,700 cases:
//   page   the HTML page in Debian's Chromium (playwright-core; skipped, status 77, where Chromium
//          cannot be had): it loads nothing but itself and runs without script errors; the counts
//          are the report's and the drivers add up to them; the first failed case is open and red,
//          its failed row in view, clicking collapses and reopens it; opening a passed case renders
//          its checks; "failed only" keeps the failed scopes and the rows that explain them (the
//          message of the examples' failed check visible); the search finds and marks a failed
//          check; the URL fragment restores the view; a link to a case brings it into view; with
//          every scope open the document holds a bounded number of lines; a dark palette; per page:
//          search narrowing (examples), markup kept as text and the report's labels (mixed),
//          "changed only" against a baseline (traces). Screenshots are kept in WORK/screenshots.
//   junit  the JUnit file read by test-results-parser and junit2json: both find the report's
//          executed, failed and skipped cases, and every failure says something.
// Waits are for conditions (Playwright's polling), never for a time.
// Usage: node check.mjs page|junit tallyrpt tallyview stage-dir source-dir work-folder
import { execFileSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const [mode, tallyrpt, tallyview, stage, source, work] = process.argv.slice(2).map((a, i) => (i ? resolve(a) : a));
const skip = (why) => { console.log(`SKIPPED: ${why}`); process.exit(77); };
if (!existsSync(join(work, 'node_modules/playwright-core'))) skip('the npm packages are missing (see the view.npm_ci test)');
const need = createRequire(join(work, 'package.json'));
const out = join(work, mode), shots = join(work, 'screenshots');
rmSync(out, { recursive: true, force: true });
mkdirSync(shots, { recursive: true });
mkdirSync(out);
const run = (program, args, env = {}) => execFileSync(program, args,
  { cwd: out, env: { ...process.env, KORVELDIR: stage, ...env }, encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
const problems = [];

// The example traces (4 passed, 1 failed, one case never run), a baseline where the failed check
// passed, and the hand-made mixed file (3 passed, 2 failed, one case not executed).
for (const name of ['calc.tsf', 'strings.tsf', 'example.tdf']) copyFileSync(join(source, 'examples', name), join(out, name));
copyFileSync(join(source, 'tests/view/data/mixed.xrd'), join(out, 'mixed.xrd'));
writeFileSync(join(out, 'passing.tdf'), readFileSync(join(out, 'example.tdf'), 'utf8').replace(/^ST 97$/m, 'ST 65'));
const traces = ['-tsf', 'calc.tsf', 'strings.tsf', '-tdf', 'example.tdf'];
run(tallyrpt, [...traces, '-xrd', 'examples.xrd']);

async function checkPage(context, kind, passed, failed) {
  const url = pathToFileURL(join(out, `${kind}.html`)).href, shot = join(shots, `tallyview-${kind}.png`);
  const check = (ok, what) => { if (!ok) problems.push(`${kind}.html: ${what}`); };
  const RED = 'rgb(198, 40, 40)', MAX_LINES = 100; // a 900 px view and some spare
  const page = await context.newPage();
  const requests = [], errors = [];
  page.on('request', (r) => requests.push(r.url()));
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  const open = async () => { await page.goto(url, { waitUntil: 'load' }); await page.waitForSelector('body[data-ready]'); };
  const lines = () => page.$$eval('#tree .line', (ls) => ls.map((l) => ({ cls: l.className, text: l.textContent })));
  const scopeLine = (s) => page.locator(`.line.scope[data-scope="${s}"]`);
  const matchCount = () => page.waitForFunction(() => /\d/.test(document.getElementById('match-count').textContent));
  const caseTitles = () => page.locator('#tree .line.scope.counted .title').allTextContents();
  try {
    await open();
    check(requests.every((u) => u === url), `requests beyond the page: ${requests.join(', ')}`);
    const shown = {};
    for (const id of ['passed', 'failed', 'total']) shown[id] = Number(await page.textContent(`#count-${id}`));
    check(shown.passed === passed && shown.failed === failed && shown.total === passed + failed,
          `counts shown ${JSON.stringify(shown)}, expected ${passed} passed and ${failed} failed`);

    // As opened: failures first, the first failed case open and red, its failed row in view.
    const failedCase = page.locator('#tree .line.scope.counted.ko').first();
    const failedRow = page.locator('#tree .line.row.failed').first();
    check(await failedCase.evaluate((e, red) => e.classList.contains('open') && getComputedStyle(e).borderLeftColor === red &&
                                    getComputedStyle(e.querySelector('.title')).color === red, RED),
          'the first failed case is not open with a red title and border');
    check(await failedRow.isVisible(), 'no failed check row in view');
    check((await lines())[0].cls.includes('ko'), 'the tree does not start with a failure');
    const query = (await failedRow.locator('.text').textContent()).trim().slice(0, 24).trim();
    const scope = await failedCase.getAttribute('data-scope');
    await failedCase.click();
    await page.waitForFunction((s) => !document.querySelector(`.line.scope[data-scope="${s}"]`).classList.contains('open'), scope);
    check(await scopeLine(scope).evaluate((l) => !l.nextElementSibling || l.nextElementSibling.classList.contains('scope')),
          'collapsing the failed case left its rows');
    await scopeLine(scope).click();
    await failedRow.waitFor({ state: 'visible' });

    // Opening a passed case renders its checks.
    const passedCase = page.locator('#tree .line.scope.counted.ok:not(.open)').first();
    if (await passedCase.count() > 0) {
      const s = await passedCase.getAttribute('data-scope');
      await passedCase.click();
      await page.waitForFunction((s) => ['thead', 'row'].some((c) =>
        document.querySelector(`.line.scope[data-scope="${s}"]`)?.nextElementSibling?.classList.contains(c)), s);
    }

    // Failed only: failed scopes, and in them only failed and Print rows, no header without a row.
    await page.check('#failed-only');
    await page.waitForFunction(() => [...document.querySelectorAll('#tree .line.scope')].every((l) => l.classList.contains('ko')));
    const only = await lines();
    check(only.every((l) => !l.cls.includes('row') || l.cls.includes('failed') || l.cls.includes('print')),
          'rows other than failed and Print rows under "failed only"');
    check(only.every((l, i) => !l.cls.includes('thead') || only[i + 1]?.cls.includes('row')), 'a table header without a row under "failed only"');
    check(await page.locator('#tree .line.row.failed').count() > 0, 'no failed row under "failed only"');
    if (kind === 'traces') {
      check(await page.getByText('no exception for a division by zero').isVisible(), 'the failed check\'s message is not visible under "failed only"');
      await page.screenshot({ path: shot.replace('.png', '-failed-only.png'), fullPage: true });
    }
    if (kind === 'mixed') check(await page.locator('#tree .line.row.print').count() > 0, 'no Print row of a failed case under "failed only"');

    // Search, under "failed only": the failed check is found and marked.
    await page.fill('#search', query);
    await matchCount();
    const matches = Number((await page.textContent('#match-count')).match(/\d+/)[0]);
    const marked = await page.locator('#tree .line.row.failed mark').first().textContent().catch(() => '');
    check(matches >= 1 && marked.toLowerCase() === query.toLowerCase(), `search "${query}": ${matches} matches, "${marked}" marked`);

    // The fragment holds the view; a reload restores it.
    const hash = await page.evaluate(() => location.hash);
    check(hash.includes('f=1') && hash.includes('q='), `the fragment does not hold the view: "${hash}"`);
    await page.evaluate(() => window.scrollTo(0, 0));
    const before = JSON.stringify((await lines()).map((l) => l.text));
    await page.reload({ waitUntil: 'load' });
    await page.waitForSelector('body[data-ready]');
    await matchCount();
    await page.evaluate(() => window.scrollTo(0, 0));
    await page.waitForFunction(() => window.scrollY === 0);
    check(await page.isChecked('#failed-only') && await page.inputValue('#search') === query, 'the fragment did not restore the controls');
    check(JSON.stringify((await lines()).map((l) => l.text)) === before, 'the fragment did not restore the same lines');
    await page.fill('#search', '');
    await page.waitForFunction(() => document.getElementById('match-count').textContent === '');
    await page.uncheck('#failed-only');
    await page.waitForFunction(() => location.hash === '');

    // A link to a case brings it into view, opened and marked.
    await page.goto(`${url}#case=${scope}`);
    await page.locator(`.line.scope.target[data-scope="${scope}"]`).waitFor({ state: 'visible' });

    // The drivers add up to the counts: the collapsed tree read from top to bottom.
    await open();
    await page.click('#collapse-all');
    const drivers = new Map();
    for (let y = 0, atEnd = false; !atEnd; y += 600) {
      await page.evaluate((top) => window.scrollTo(0, top), y);
      // The lines are rendered on the next frame after the scroll.
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
      for (const d of await page.$$eval('#tree .line.scope.driver', (ls) => ls.map((l) => ({ scope: l.dataset.scope,
        ok: Number(l.querySelector('.t-ok')?.textContent ?? 0), ko: Number(l.querySelector('.t-ko')?.textContent ?? 0) })))) {
        drivers.set(d.scope, d);
      }
      atEnd = await page.evaluate(() => window.scrollY + window.innerHeight >= document.body.scrollHeight - 2);
    }
    await page.evaluate(() => window.scrollTo(0, 0));
    const sum = (key) => [...drivers.values()].reduce((n, d) => n + d[key], 0);
    check(sum('ok') === shown.passed && sum('ko') === shown.failed,
          `the ${drivers.size} drivers count ${sum('ok')} passed and ${sum('ko')} failed cases`);

    // Every scope open: still only the lines in view.
    await page.click('#expand-all');
    await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight / 2));
    await page.waitForFunction(() => document.querySelector('#tree .line') !== null);
    const inDocument = await page.locator('#tree .line').count();
    check(inDocument > 0 && inDocument <= MAX_LINES, `${inDocument} lines in the document with every scope open`);

    if (kind === 'examples') {
      // The search finds a check inside a passed, closed case, and shows nothing else.
      await open();
      await page.fill('#search', 'divide(4');
      await page.waitForFunction(() => document.getElementById('match-count').textContent.includes('1'));
      const cases = await caseTitles();
      check(cases.length === 1 && cases[0] === 'Test Case testDivide', `search shows ${JSON.stringify(cases)}`);
      check(await page.locator('#tree .line.row').count() === 1, 'search shows other rows than the match');
      check(await page.getAttribute('html', 'lang') === 'en', 'the page is not marked as English');
    } else if (kind === 'traces') {
      // Changed only: the case that fails now and passed in the baseline.
      await open();
      await page.check('#changed-only');
      await page.waitForFunction(() => document.querySelectorAll('#tree .line.scope.counted').length === 1);
      const cases = await caseTitles();
      check(cases.length === 1 && cases[0] === 'Test Case testDivide', `changed only shows ${JSON.stringify(cases)}`);
      check((await page.textContent('#changes')).includes('CalcTest/CalcSuite/testDivide'), 'the marks at the top do not name the newly failing case');
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

    await page.emulateMedia({ colorScheme: 'dark' });
    const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
    check(background === 'rgb(18, 18, 18)', `the dark palette is not applied (background ${background})`);
    await page.emulateMedia({ colorScheme: 'light' });

    // Screenshots: as opened, and with every scope open (Print rows, messages and stub tables).
    await open();
    await page.screenshot({ path: shot, fullPage: kind !== 'large' });
    check(statSync(shot).size > 10000, 'the screenshot is too small to show the page');
    await page.click('#expand-all');
    await page.screenshot({ path: shot.replace('.png', '-expanded.png'), fullPage: kind !== 'large' });
    check(errors.length === 0, `page errors: ${errors.join(' | ')}`);
  } catch (error) {
    problems.push(`${kind}.html: ${error?.stack ?? error}`);
  } finally {
    await page.close();
  }
}

async function checkJunit(file, executed, failed, skipped, reason) {
  const expected = { executed, failed, skipped };
  const said = { 'test-results-parser': false, junit2json: false };
  const compare = (consumer, found) => {
    for (const key of Object.keys(expected)) {
      if (found[key] !== expected[key]) problems.push(`${file} ${consumer}: ${key} ${found[key]}, expected ${expected[key]}`);
    }
  };
  const failure = (consumer, name, message, text) => {
    if (!message.trim()) problems.push(`${file} ${consumer}: ${name} failed without a message`);
    if (reason && text.includes(reason)) said[consumer] = true;
  };
  // test-results-parser: totals from the suites' attributes, statuses from the cases.
  const result = need('test-results-parser').parse({ type: 'junit', files: [join(out, file)] });
  compare('totals', { executed: result.total, failed: result.failed, skipped: result.skipped });
  const cases = result.suites.flatMap((s) => s.cases);
  const status = (s) => cases.filter((c) => c.status === s).length;
  compare('cases', { executed: status('PASS') + status('FAIL'), failed: status('FAIL'), skipped: status('SKIP') });
  for (const c of cases.filter((c) => c.status === 'FAIL')) failure('test-results-parser', c.name, c.failure ?? '', `${c.failure} ${c.stack_trace}`);
  // junit2json: the suites and cases as data.
  const { parse } = await import(pathToFileURL(need.resolve('junit2json')).href);
  const suites = (await parse(readFileSync(join(out, file), 'utf8'))).testsuite ?? [];
  const total = (f) => suites.reduce((n, s) => n + f(s), 0);
  const tests = total((s) => s.tests), skips = total((s) => s.skipped ?? 0);
  compare('junit2json suites', { executed: tests - skips, failed: total((s) => s.failures), skipped: skips });
  const all = suites.flatMap((s) => s.testcase ?? []);
  const skippedCases = all.filter((c) => c.skipped).length;
  compare('junit2json cases', { executed: tests - skippedCases, failed: all.filter((c) => c.failure).length, skipped: skippedCases });
  for (const c of all.filter((c) => c.failure)) {
    const text = c.failure.map((f) => `${f.message ?? ''} ${f.inner ?? ''}`).join(' ');
    failure('junit2json', c.name, text, text);
  }
  for (const [consumer, found] of Object.entries(said)) if (reason && !found) problems.push(`${file} ${consumer}: no failure says "${reason}"`);
  console.log(`${file}: ${executed} executed, ${failed} failed, ${skipped} skipped expected in ${suites.length} suites`);
}

if (mode === 'page') {
  if (!existsSync('/usr/bin/chromium')) {
    try { execFileSync('bash', [join(source, 'scripts/setup.sh'), 'chromium'], { stdio: 'ignore' }); } catch { /* skipped below */ }
  }
  if (!existsSync('/usr/bin/chromium')) skip('Debian\'s chromium is not installed and could not be installed (apt-get install chromium).');
  for (const name of ['examples', 'mixed']) run(tallyview, ['-o', `${name}.html`, `${name}.xrd`]);
  writeFileSync(join(out, 'studio.hdr'), '$PROJECT_NAME=Calculator\n');
  run(tallyview, [...traces, '--baseline-tdf', 'passing.tdf', '-o', 'traces.html'], { ZEPH_STUDIO_HEADER_FILE: 'studio.hdr' });
  // A generated run of a few thousand cases, read from its traces.
  run(join(stage, 'bin/tallyrpt-gentrace'), ['--size', '4m', '--seed', '7', '--out', 'large']);
  const large = readdirSync(join(out, 'large')).filter((f) => /^trace.*\.tsf$/.test(f))
    .sort((a, b) => a.localeCompare(b, 'en', { numeric: true })).map((f) => `large/${f}`);
  const summary = run(tallyview, ['-tsf', ...large, '-tdf', 'large/run.tdf', '-o', 'large.html', '--summary']);
  const [, largePassed, largeFailed] = summary.match(/^Passed: (\d+), Failed: (\d+),/).map(Number);
  const profile = mkdtempSync(join(tmpdir(), 'tallyview-chromium-'));
  const context = await need('playwright-core').chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', headless: true, viewport: { width: 1200, height: 900 }, colorScheme: 'light',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--disable-quic'] });
  try {
    for (const [kind, passed, failed] of [['large', largePassed, largeFailed], ['examples', 4, 1], ['mixed', 3, 2], ['traces', 4, 1]]) {
      await checkPage(context, kind, passed, failed);
      console.log(`${kind}.html: ${passed} passed, ${failed} failed expected; screenshots in ${shots}`);
    }
  } finally {
    await context.close();
    rmSync(profile, { recursive: true, force: true });
  }
} else {
  for (const name of ['examples', 'mixed']) run(tallyview, ['--junit', '-o', `${name}.junit.xml`, `${name}.xrd`]);
  await checkJunit('examples.junit.xml', 5, 1, 0);
  await checkJunit('mixed.junit.xml', 5, 2, 1);
  // From the traces: the case that never ran is skipped, and the failure says why.
  run(tallyview, [...traces, '--junit', '-o', 'traces.junit.xml']);
  await checkJunit('traces.junit.xml', 5, 1, 1, 'no exception for a division by zero');
  // The cases' own <system-out> (outside the common schema) is read all the same.
  run(tallyview, [...traces, '--junit', '--case-output', '--passed-output', '-o', 'case-output.junit.xml']);
  await checkJunit('case-output.junit.xml', 5, 1, 1);
}
if (problems.length) {
  console.log(`FAIL:\n  ${problems.join('\n  ')}`);
  process.exit(1);
}
console.log('ok');
