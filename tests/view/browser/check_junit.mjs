// tallyview's JUnit file read by two JUnit parsers from npm that nobody here
// wrote: test-results-parser (per-suite counts and per-case statuses, as CI
// dashboards use it) and junit2json (the document as data). Both must find
// the report's numbers of executed, failed and skipped cases, and every
// failure must say something (and, when REASON is given, some failure must
// hold that text in what each parser gives of it).
//
// Usage: node check_junit.mjs FILE.xml EXECUTED FAILED SKIPPED [REASON]
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { parse as junit2json } from 'junit2json';

const require = createRequire(import.meta.url);
const { parse: parseResults } = require('test-results-parser');

const [file, executedText, failedText, skippedText, reason] = process.argv.slice(2);
const reasons = { 'test-results-parser': false, junit2json: false };
const expected = { executed: Number(executedText), failed: Number(failedText), skipped: Number(skippedText) };
const problems = [];

function compare(consumer, found) {
  for (const key of Object.keys(expected)) {
    if (found[key] !== expected[key]) {
      problems.push(`${consumer}: ${key} ${found[key]}, expected ${expected[key]}`);
    }
  }
}

// test-results-parser: totals from the suites' attributes, statuses from the cases.
const result = parseResults({ type: 'junit', files: [file] });
compare('test-results-parser totals', { executed: result.total, failed: result.failed, skipped: result.skipped });
const statuses = { PASS: 0, FAIL: 0, SKIP: 0 };
for (const suite of result.suites) {
  for (const testCase of suite.cases) statuses[testCase.status] = (statuses[testCase.status] ?? 0) + 1;
  for (const testCase of suite.cases.filter((c) => c.status === 'FAIL')) {
    if (!testCase.failure) problems.push(`test-results-parser: ${testCase.name} failed without a message`);
    if (reason && `${testCase.failure} ${testCase.stack_trace}`.includes(reason)) reasons['test-results-parser'] = true;
  }
}
compare('test-results-parser cases',
        { executed: statuses.PASS + statuses.FAIL, failed: statuses.FAIL, skipped: statuses.SKIP });

// junit2json: the suites and cases as data.
const doc = await junit2json(readFileSync(file, 'utf8'));
const suites = doc.testsuite ?? [];
let tests = 0;
let failures = 0;
let skipped = 0;
let failedCases = 0;
let skippedCases = 0;
for (const suite of suites) {
  tests += suite.tests;
  failures += suite.failures;
  skipped += suite.skipped ?? 0;
  for (const testCase of suite.testcase ?? []) {
    if (testCase.failure) {
      failedCases += 1;
      const text = testCase.failure.map((f) => `${f.message ?? ''} ${f.inner ?? ''}`).join(' ').trim();
      if (!text) problems.push(`junit2json: ${testCase.name} has an empty failure`);
      if (reason && text.includes(reason)) reasons.junit2json = true;
    }
    if (testCase.skipped) skippedCases += 1;
  }
}
compare('junit2json suites', { executed: tests - skipped, failed: failures, skipped });
compare('junit2json cases', { executed: tests - skippedCases, failed: failedCases, skipped: skippedCases });

for (const [consumer, found] of Object.entries(reasons)) {
  if (reason && !found) problems.push(`${consumer}: no failure says "${reason}"`);
}

if (problems.length) {
  console.log(`FAIL ${file}:\n  ${problems.join('\n  ')}`);
  process.exit(1);
}
console.log(`ok ${file}: both parsers read ${expected.executed} executed, ${expected.failed} failed, ` +
            `${expected.skipped} skipped in ${suites.length} suites`);
