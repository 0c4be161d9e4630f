// Colours: green for passed, red for failed, grey for not executed, on the
// left border of each scope and on the rows of the check tables. The script
// implements the "failed only" filter (which keeps a failed scope's failed
// rows and its Print rows: what explains the failure), the "changed only"
// filter of a comparison with a baseline, the text search and expand/collapse
// all; it works in one pass over the rows, one backward pass over the scopes
// (children come after their parent in the page) and one over the tables, so
// the cost is linear in the size of the page. Without the script the page
// still reads: the scopes are native <details> elements.
#include "html_assets.h"

const char HTML_STYLE[] = R"CSS(
:root{--ok:#2e7d32;--ok-bg:#e8f5e9;--ko:#c62828;--ko-bg:#ffebee;--ne:#9e9e9e;--ne-bg:#eeeeee;--line:#d9d9d9;--link:#1565c0}
*{box-sizing:border-box}
body{margin:0;padding:16px 24px 48px;background:#fafafa;color:#212121;font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif}
h1{font-size:20px;margin:0 0 2px}
.ident{margin:0 0 10px;color:#616161;font-size:12px}
table.info{border-collapse:collapse;margin:0 0 10px}
table.info th{text-align:left;font-weight:600;padding:1px 16px 1px 0;color:#424242;vertical-align:top}
table.info td{padding:1px 0;word-break:break-all}
.counts{display:flex;gap:10px;margin:6px 0 8px;flex-wrap:wrap}
.count{padding:4px 14px;border-radius:6px;background:#fff;border:1px solid var(--line);min-width:90px}
.count .label{display:block;font-size:12px;color:#616161}
.count .value{font-size:22px;font-weight:700}
.count.v-passed .value{color:var(--ok)}
.count.v-failed .value{color:var(--ko)}
.bar{display:flex;height:12px;max-width:720px;border-radius:6px;overflow:hidden;background:var(--ne-bg);border:1px solid var(--line)}
.bar span{display:block;height:100%}
.bar-passed{background:var(--ok)}
.bar-failed{background:var(--ko)}
.controls{position:sticky;top:0;z-index:2;display:flex;gap:10px;align-items:center;flex-wrap:wrap;padding:8px 0;margin:12px 0 8px;background:#fafafa;border-bottom:1px solid var(--line)}
.controls label{display:inline-flex;gap:6px;align-items:center;cursor:pointer}
.controls .filter{padding:3px 10px;border:1px solid var(--ko);border-radius:14px;color:var(--ko)}
.controls .search svg{width:16px;height:16px;fill:none;stroke:#616161;stroke-width:2}
.controls input[type=search]{width:260px;padding:4px 8px;border:1px solid var(--line);border-radius:4px;font:inherit}
.controls button{font:inherit;min-width:30px;padding:2px 8px;border:1px solid var(--line);border-radius:4px;background:#fff;cursor:pointer}
details.scope{margin:4px 0;border-left:4px solid var(--ne);border-radius:3px;background:#fff}
details.scope.ok{border-left-color:var(--ok)}
details.scope.ko{border-left-color:var(--ko)}
details.scope.ko>summary{background:var(--ko-bg)}
details.scope>summary{padding:4px 8px;cursor:pointer;user-select:none}
details.scope>summary .title{font-weight:600}
details.scope.ko>summary .title{color:var(--ko)}
.mark{display:inline-block;width:1.2em;text-align:center;font-weight:700}
.ok>summary .mark::before{content:"\2713";color:var(--ok)}
.ko>summary .mark::before{content:"\2717";color:var(--ko)}
.ne>summary .mark::before{content:"\2013";color:var(--ne)}
.tally{margin-left:10px;font-size:12px;color:#616161}
.tally span{margin-right:8px}
.tally .t-ok::before{content:"\2713 ";color:var(--ok)}
.tally .t-ko::before{content:"\2717 ";color:var(--ko)}
.tally .t-ne::before{content:"\2013 ";color:var(--ne)}
.content{padding:0 8px 6px 18px}
table.checks{border-collapse:collapse;width:100%;margin:4px 0 6px;background:#fff}
table.checks th,table.checks td{border:1px solid var(--line);padding:3px 8px;text-align:left;vertical-align:top}
table.checks th{background:#f0f0f0;font-weight:600}
table.checks td.count-cell{text-align:right;white-space:nowrap;width:9%}
tr.passed td{color:var(--ok)}
tr.failed td{color:var(--ko);background:var(--ko-bg);font-weight:600}
tr.print td{background:#fffde7;color:#424242}
tr.print.failed td{background:var(--ko-bg);color:var(--ko)}
.expr .text{font-family:ui-monospace,"DejaVu Sans Mono",monospace;word-break:break-word}
.src{display:block;font-size:12px;color:var(--link);word-break:break-all;font-weight:400}
.print .src{display:inline;margin-left:8px}
.times{margin-left:8px;color:#616161}
.arrow{color:#f9a825;margin-right:6px}
ul.messages{margin:4px 0 0;padding-left:28px;font-family:ui-monospace,"DejaVu Sans Mono",monospace}
.expr ul.messages{color:#424242;font-weight:400}
.changes h2{font-size:15px;margin:10px 0 4px}
.change-counts{margin:0 0 4px}
.change-list{margin:0;padding-left:20px;max-height:240px;overflow:auto}
.change{display:inline-block;margin:0 8px 2px 0;padding:0 8px;border-radius:10px;font-size:12px;background:var(--ne-bg);color:#424242}
summary .change{margin-left:10px}
.change.c-newly-failing{background:var(--ko);color:#fff}
.change.c-still-failing{background:var(--ko-bg);color:var(--ko)}
.change.c-fixed{background:var(--ok);color:#fff}
.change.c-new{background:#e3f2fd;color:var(--link)}
.controls .filter.changed{border-color:var(--link);color:var(--link)}
.empty{color:#616161}
[hidden]{display:none!important}
)CSS";

const char HTML_SCRIPT[] = R"JS(
(function () {
  'use strict';
  var failedOnly = document.getElementById('failed-only');
  var changedOnly = document.getElementById('changed-only');
  var search = document.getElementById('search');
  var scopes = Array.prototype.slice.call(document.querySelectorAll('details.scope'));
  var rows = Array.prototype.slice.call(document.querySelectorAll('tr.row'));
  var tables = Array.prototype.slice.call(document.querySelectorAll('table.checks'));
  var parents = new Int32Array(scopes.length);
  var titles = new Array(scopes.length);
  var rowScopes = new Int32Array(rows.length);
  var rowTables = new Int32Array(rows.length);
  var rowTexts = new Array(rows.length);
  var i;
  for (i = 0; i < scopes.length; i++) scopes[i].dataset.index = i;
  for (i = 0; i < tables.length; i++) tables[i].dataset.index = i;
  for (i = 0; i < scopes.length; i++) {
    var content = scopes[i].parentElement;
    var parent = content && content.classList.contains('content') ? content.parentElement : null;
    parents[i] = parent ? Number(parent.dataset.index) : -1;
    titles[i] = scopes[i].querySelector('summary .title').textContent.toLowerCase();
  }
  for (i = 0; i < rows.length; i++) {
    rowScopes[i] = Number(rows[i].closest('details.scope').dataset.index);
    rowTables[i] = Number(rows[i].closest('table.checks').dataset.index);
    rowTexts[i] = rows[i].textContent.toLowerCase();
  }

  function apply() {
    var query = search.value.trim().toLowerCase();
    var only = failedOnly.checked;
    var changed = changedOnly !== null && changedOnly.checked;
    var titleHit = new Uint8Array(scopes.length);
    var flags = new Uint8Array(scopes.length); // 1: a row matched, 2: a child is shown
    var shownRows = new Int32Array(tables.length);
    var k;
    if (query) {
      for (k = 0; k < scopes.length; k++) titleHit[k] = titles[k].indexOf(query) >= 0 ? 1 : 0;
    }
    for (k = 0; k < rows.length; k++) {
      var s = rowScopes[k];
      var explains = rows[k].classList.contains('failed') ||
                     (rows[k].classList.contains('print') && scopes[s].classList.contains('ko'));
      var show = (!only || explains) &&
                 (!query || titleHit[s] === 1 || rowTexts[k].indexOf(query) >= 0);
      rows[k].hidden = !show;
      if (show) shownRows[rowTables[k]]++;
      if (show && query) flags[s] |= 1;
    }
    // A table whose rows are all filtered out goes too: no empty tables.
    for (k = 0; k < tables.length; k++) tables[k].hidden = shownRows[k] === 0;
    for (k = scopes.length - 1; k >= 0; k--) {
      var own = (!query || titleHit[k] === 1 || (flags[k] & 1) !== 0) &&
                (!changed || scopes[k].classList.contains('changed'));
      var below = (flags[k] & 2) !== 0;
      var visible = (own || below) && (!only || scopes[k].classList.contains('ko'));
      scopes[k].hidden = !visible;
      if (visible && parents[k] >= 0) flags[parents[k]] |= 2;
      if (visible && query && (below || (flags[k] & 1) !== 0)) scopes[k].open = true;
      if (visible && changed && below) scopes[k].open = true;
    }
  }

  var timer = 0;
  search.addEventListener('input', function () {
    clearTimeout(timer);
    timer = setTimeout(apply, 120);
  });
  failedOnly.addEventListener('change', apply);
  if (changedOnly !== null) changedOnly.addEventListener('change', apply);
  function setAll(open) {
    for (var k = 0; k < scopes.length; k++) scopes[k].open = open;
  }
  document.getElementById('expand-all').addEventListener('click', function () { setAll(true); });
  document.getElementById('collapse-all').addEventListener('click', function () { setAll(false); });
  if (failedOnly.checked || search.value || (changedOnly !== null && changedOnly.checked)) apply();
})();
)JS";
