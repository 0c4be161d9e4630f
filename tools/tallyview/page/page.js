// tallyview's page script. The page carries the node tree as packed blocks
// (zlib-compressed JSON in base64, written by page_data.cpp): the scopes,
// the rows of the failed scopes, then the rows of the others in blocks of
// some 65,536 rows. The first two are inflated (DecompressionStream) and
// shown at once; the others follow one at a time while the page is in use.
//
// The tree is shown as one list of fixed-height lines (a scope, a table
// header, a check or Print row, a message), flattened from the scopes that
// are open; only the lines in view are in the document, so a run of any size
// costs the same to scroll. Siblings are ordered failures first; failed
// scopes start open, the others collapsed.
//
// Controls: "failed only" (a failed scope's failed rows and its Print rows,
// nothing else; no table without a row), "changed only" after a comparison
// with a baseline, a text search over titles, rows, sources, cells and
// messages (one lower-cased text searched with indexOf, so a query costs one
// pass over it), expand/collapse all, and a link to every case. The state of
// the controls is kept in the URL fragment (#f=1&c=1&q=text&case=12), so a
// link reopens the same view. Every word shown comes from the page's data.
(function () {
  'use strict';

  var LINE = 24;            // px: the height of every line, as in page.css
  var MAX_HEIGHT = 8000000; // px: longer lists are scrolled in proportion
  var OVERSCAN = 8;         // lines rendered beyond each edge of the view
  var INDENT = 16;          // px per level
  var MAX_INDENT = 40;      // levels indented at most

  var PASSED = 0, FAILED = 1;                   // scope states
  var COUNTED = 2;                              // scope kind of cases, stubs
  var V_FAILED = 2, PRINT = 3;                  // row codes: kind * 3 + verdict
  var L_SCOPE = 0, L_HEAD = 1, L_ROW = 2, L_MSG = 3, L_WAIT = 4, L_NONE = 5;

  var tree = document.getElementById('tree');
  var failedOnly = document.getElementById('failed-only');
  var changedOnly = document.getElementById('changed-only');
  var search = document.getElementById('search');
  var matchCount = document.getElementById('match-count');
  var times = window.tallyviewTimes = { start: performance.now() };

  var S;              // the scopes block
  var labels;
  var count = 0;      // scopes
  var blocks = [];     // rows blocks: the failed scopes', then the others'
  var blockStart;     // the first row (numbered over all blocks) of each block
  var scopeBlock;     // the block of each scope's rows
  var totalRows = 0;
  var allLoaded = false;
  var firstRow, depth, open, kids, roots, tallies;
  var visible = null, rowShown = null, titleHit = null, rowHit = null;
  var query = '';
  // The lines: kind, scope, row (-1: none) and message (-1: none), in typed
  // arrays kept from one flattening to the next.
  var lineCount = 0, capacity = 0;
  var lineKind, lineScope, lineRow, lineMsg;
  var spacer, windowBox;
  var index = null;   // search texts: {rows, rowEnds, titles, titleEnds}
  var target = -1;    // the case named by the fragment
  var searchTimer = 0; // a search typed and not applied yet
  var pending = 0;

  function inflate(id) {
    var text = document.getElementById(id).textContent;
    var bytes;
    if (Uint8Array.fromBase64) {
      bytes = Uint8Array.fromBase64(text);
    } else {
      var binary = atob(text);
      bytes = new Uint8Array(binary.length);
      for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    }
    var stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate'));
    return new Response(stream).text().then(JSON.parse);
  }

  // ---- the tree -------------------------------------------------------------

  function setUpScopes() {
    count = S.parent.length;
    labels = S.labels;
    firstRow = new Int32Array(count);
    depth = new Int32Array(count);
    open = new Uint8Array(count);
    kids = new Array(count);
    roots = [];
    // Rows are numbered over the blocks: the failed scopes' first, then the
    // others' in scope order, a new block at each of restStarts.
    var s, p, b = 1, row = 0;
    scopeBlock = new Int32Array(count);
    blockStart = new Int32Array(S.restStarts.length + 2);
    for (s = 0; s < count; s++) {
      if (S.state[s] === FAILED) { firstRow[s] = row; row += S.rows[s]; }
    }
    blockStart[1] = row;
    for (s = 0; s < count; s++) {
      if (S.state[s] !== FAILED) {
        while (b < S.restStarts.length && s >= S.restStarts[b]) blockStart[++b] = row;
        scopeBlock[s] = b;
        firstRow[s] = row;
        row += S.rows[s];
      }
      p = S.parent[s];
      depth[s] = p < 0 ? 0 : depth[p] + 1;
      open[s] = S.state[s] === FAILED ? 1 : 0;
      (p < 0 ? roots : (kids[p] || (kids[p] = []))).push(s);
    }
    totalRows = row;
    for (b = b + 1; b < blockStart.length; b++) blockStart[b] = row;
    blocks = new Array(blockStart.length - 1).fill(null);
    // Failures first, the rest in their order.
    roots = failuresFirst(roots);
    for (s = 0; s < count; s++) if (kids[s]) kids[s] = failuresFirst(kids[s]);
    // Cases below each scope, by state: one backward pass (children follow parents).
    tallies = new Int32Array(count * 3);
    for (s = count - 1; s >= 0; s--) {
      if (S.kind[s] === COUNTED) tallies[s * 3 + S.state[s]]++;
      p = S.parent[s];
      if (p >= 0) for (var k = 0; k < 3; k++) tallies[p * 3 + k] += tallies[s * 3 + k];
    }
  }

  function failuresFirst(list) {
    var failed = [], other = [];
    for (var i = 0; i < list.length; i++) (S.state[list[i]] === FAILED ? failed : other).push(list[i]);
    return failed.concat(other);
  }

  function loaded(s) { return blocks[scopeBlock[s]] !== null; }

  // Row g of scope s: its block and its place there.
  function rowAt(s, g) {
    var b = scopeBlock[s];
    return { block: blocks[b], r: g - blockStart[b] };
  }

  var NO_MESSAGES = [];

  function messagesOf(block, r) {
    var at = block.messageAt[r];
    return at < 0 ? NO_MESSAGES : block.messages[at];
  }

  // Rows block as sent, plus where each row's messages are (-1: none).
  function setUpRows(block) {
    block.messageAt = new Int32Array(block.kind.length).fill(-1);
    for (var i = 0; i < block.messageRows.length; i++) block.messageAt[block.messageRows[i]] = i;
    return block;
  }

  // ---- filters and search -----------------------------------------------------

  // The search text: every row's texts lower-cased, in pieces of CHUNK rows
  // (one string each, so building it never holds two copies of the whole),
  // with where each row ends; the scope titles likewise.
  var CHUNK = 16384;

  function buildIndex() {
    var pieces = [];
    for (var b = 0; b < blocks.length; b++) {
      var block = blocks[b];
      for (var from = 0; from < block.kind.length; from += CHUNK) {
        var parts = [], ends = new Int32Array(Math.min(CHUNK, block.kind.length - from)), length = 0;
        for (var r = from; r < from + ends.length; r++) {
          var text = rowTexts(block, r).join('\n').toLowerCase() + '\n';
          parts.push(text);
          length += text.length;
          ends[r - from] = length;
        }
        pieces.push({ first: blockStart[b] + from, text: parts.join(''), ends: ends });
      }
    }
    var titles = [], titleEnds = new Int32Array(count);
    length = 0;
    for (var s = 0; s < count; s++) {
      var title = S.title[s].toLowerCase() + '\n';
      titles.push(title);
      length += title.length;
      titleEnds[s] = length;
    }
    index = { rows: pieces, titles: { first: 0, text: titles.join(''), ends: titleEnds } };
  }

  // The texts of a row that a search looks in, as they are shown.
  function rowTexts(block, r) {
    var texts = [block.text[r]];
    if (block.src[r] >= 0) texts.push(sourceLabel(block, r));
    texts = texts.concat(block.cellLists[block.cells[r]], messagesOf(block, r));
    return texts;
  }

  function sourceLabel(block, r) {
    var path = block.paths[block.src[r]][0];
    return block.line[r] >= 0 ? path + ':' + block.line[r] : path;
  }

  // Marks every item of a piece whose text holds q; the number marked.
  function findAll(piece, q, hits) {
    var found = 0, text = piece.text, ends = piece.ends, at = text.indexOf(q);
    while (at >= 0) {
      var lo = 0, hi = ends.length - 1;
      while (lo < hi) { var mid = (lo + hi) >> 1; if (ends[mid] <= at) lo = mid + 1; else hi = mid; }
      hits[piece.first + lo] = 1;
      found++;
      at = text.indexOf(q, ends[lo]);
    }
    return found;
  }

  function explains(g, s) {
    var b = scopeBlock[s], code = blocks[b].kind[g - blockStart[b]];
    return code % 3 === V_FAILED || (code >= PRINT && S.state[s] === FAILED);
  }

  // Decides what is shown under the controls, opening the scopes on the way
  // to a match or a change. Children come after their parent, so one
  // backward pass over the scopes settles them.
  function apply() {
    var began = performance.now();
    query = search.value.trim().toLowerCase();
    var only = failedOnly.checked;
    var changed = changedOnly !== null && changedOnly.checked;
    if (query && !index) {
      if (!allLoaded) { matchCount.textContent = labels.loading; pending = 1; return; }
      buildIndex();
    }
    if (!query && !only && !changed) {
      visible = rowShown = titleHit = rowHit = null;
      matchCount.textContent = '';
      flatten();
      times.apply = performance.now() - began;
      return;
    }
    var total = totalRows;
    var found = 0;
    titleHit = rowHit = null;
    if (query) {
      titleHit = new Uint8Array(count);
      rowHit = new Uint8Array(total);
      found = findAll(index.titles, query, titleHit);
      for (var p = 0; p < index.rows.length; p++) found += findAll(index.rows[p], query, rowHit);
      matchCount.textContent = labels.matches.replace('%1', found);
    } else {
      matchCount.textContent = '';
    }
    visible = new Uint8Array(count);
    rowShown = new Uint8Array(total);
    var flags = new Uint8Array(count); // 1: a row matched, 2: a child is shown, 4: a row is shown
    for (var s = count - 1; s >= 0; s--) {
      // Rows count only in scopes that can show: failed ones under "failed only".
      if (loaded(s) && (!only || S.state[s] === FAILED)) {
        var anyRow = !query || titleHit[s] === 1;
        for (var g = firstRow[s], end = g + S.rows[s]; g < end; g++) {
          var show = (anyRow || rowHit[g] === 1) && (!only || explains(g, s));
          if (show) {
            rowShown[g] = 1;
            flags[s] |= 4;
            if (query) flags[s] |= 1;
          }
        }
      }
      var own = (!query || titleHit[s] === 1 || (flags[s] & 1) !== 0) && (!changed || S.change[s] !== 0);
      var below = (flags[s] & 2) !== 0;
      var shown = (own || below) && (!only || S.state[s] === FAILED);
      visible[s] = shown ? 1 : 0;
      var up = S.parent[s];
      if (shown && up >= 0) flags[up] |= 2;
      if (shown && query && (below || (flags[s] & 1) !== 0)) open[s] = 1;
      if (shown && changed && below) open[s] = 1;
    }
    flatten();
    times.apply = performance.now() - began;
  }

  // ---- the list of lines --------------------------------------------------------

  function grow() {
    capacity = Math.max(1024, capacity * 2);
    var k = new Uint8Array(capacity), s = new Int32Array(capacity), r = new Int32Array(capacity), m = new Int32Array(capacity);
    if (lineKind) { k.set(lineKind); s.set(lineScope); r.set(lineRow); m.set(lineMsg); }
    lineKind = k; lineScope = s; lineRow = r; lineMsg = m;
  }

  function addLine(kind, s, g, m) {
    if (lineCount === capacity) grow();
    lineKind[lineCount] = kind;
    lineScope[lineCount] = s;
    lineRow[lineCount] = g;
    lineMsg[lineCount++] = m;
  }

  function addRows(s) {
    if (!loaded(s)) { addLine(L_WAIT, s, -1, -1); return; }
    var g, first = firstRow[s], end = first + S.rows[s];
    if (rowShown !== null) {
      for (g = first; g < end && rowShown[g] !== 1; g++);
      if (g === end) return;  // no table without a row
    }
    if (S.header[s] >= 0) addLine(L_HEAD, s, -1, -1);
    for (g = first; g < end; g++) {
      if (rowShown !== null && rowShown[g] !== 1) continue;
      addLine(L_ROW, s, g, -1);
      var at = rowAt(s, g), messages = messagesOf(at.block, at.r);
      for (var m = 0; m < messages.length; m++) addLine(L_MSG, s, g, m);
    }
  }

  function flatten() {
    var began = performance.now();
    lineCount = 0;
    var stack = roots.slice().reverse();
    while (stack.length) {
      var s = stack.pop();
      if (visible !== null && visible[s] !== 1) continue;
      addLine(L_SCOPE, s, -1, -1);
      if (!open[s]) continue;
      if (S.rows[s] > 0) addRows(s);
      var children = kids[s];
      if (children) for (var i = children.length - 1; i >= 0; i--) stack.push(children[i]);
    }
    if (lineCount === 0) addLine(L_NONE, -1, -1, -1);
    spacer.style.height = Math.min(lineCount * LINE, MAX_HEIGHT) + 'px';
    times.flatten = performance.now() - began;
    render();
  }

  // ---- rendering the lines in view ------------------------------------------------

  function treeTop() { return tree.getBoundingClientRect().top + window.scrollY; }

  // Where the view is in the list: the first line's fraction of a pixel and the
  // scroll offset inside the spacer.
  function viewport() {
    var height = spacer.offsetHeight, view = window.innerHeight;
    var scroll = Math.min(Math.max(window.scrollY - treeTop(), 0), height);
    var full = lineCount * LINE;
    var virtualTop = full > height && height > view ? scroll * (full - view) / (height - view) : scroll;
    return { scroll: scroll, top: virtualTop, view: view };
  }

  function render() {
    var at = viewport();
    var first = Math.max(0, Math.floor(at.top / LINE) - OVERSCAN);
    var last = Math.min(lineCount, Math.ceil((at.top + at.view) / LINE) + OVERSCAN);
    windowBox.style.transform = 'translateY(' + (at.scroll + first * LINE - at.top) + 'px)';
    var fragment = document.createDocumentFragment();
    for (var i = first; i < last; i++) fragment.appendChild(lineElement(i));
    windowBox.replaceChildren(fragment);
    if (times.firstFailure === undefined && windowBox.querySelector('.row.failed')) {
      times.firstFailure = performance.now();
    }
  }

  function element(tag, className, text) {
    var e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined) appendMarked(e, text);
    return e;
  }

  // The text, with the matches of the search marked.
  function appendMarked(parent, text) {
    if (!query) { parent.appendChild(document.createTextNode(text)); return; }
    var lower = text.toLowerCase();
    if (lower.length !== text.length) { parent.appendChild(document.createTextNode(text)); return; }
    var from = 0, at = lower.indexOf(query);
    while (at >= 0) {
      if (at > from) parent.appendChild(document.createTextNode(text.slice(from, at)));
      var mark = document.createElement('mark');
      mark.textContent = text.slice(at, at + query.length);
      parent.appendChild(mark);
      from = at + query.length;
      at = lower.indexOf(query, from);
    }
    if (from < text.length) parent.appendChild(document.createTextNode(text.slice(from)));
  }

  var STATE_CLASS = ['ok', 'ko', 'ne'];
  var KIND_CLASS = [' driver', '', ' counted'];
  var ROW_CLASS = ['plain', 'passed', 'failed'];
  var CHANGE_CLASS = ['', 'c-newly-failing', 'c-fixed', 'c-still-failing', 'c-new', 'c-removed'];

  function indent(e, s, extra) {
    e.style.paddingLeft = (Math.min(depth[s], MAX_INDENT) * INDENT + extra) + 'px';
  }

  function columns(s) {
    var n = S.header[s] >= 0 ? S.headers[S.header[s]].length : 5;
    return 'minmax(0,6fr) minmax(0,1.4fr)' + (n > 2 ? ' repeat(' + (n - 2) + ',minmax(0,1fr))' : '');
  }

  function lineElement(i) {
    var kind = lineKind[i], s = lineScope[i];
    var e;
    if (kind === L_SCOPE) e = scopeLine(s);
    else if (kind === L_HEAD) e = headLine(s);
    else if (kind === L_ROW) e = rowLine(s, lineRow[i]);
    else if (kind === L_MSG) e = messageLine(s, lineRow[i], lineMsg[i]);
    else e = element('div', 'line note', kind === L_WAIT ? labels.loading : labels.nothing);
    if (kind === L_WAIT) indent(e, s, 28);
    return e;
  }

  function scopeLine(s) {
    var state = S.state[s];
    var e = element('div', 'line scope ' + STATE_CLASS[state] + KIND_CLASS[S.kind[s]] +
                    (open[s] ? ' open' : '') + (s === target ? ' target' : ''));
    e.dataset.scope = s;
    e.setAttribute('role', 'treeitem');
    e.setAttribute('aria-expanded', open[s] ? 'true' : 'false');
    e.tabIndex = 0;
    indent(e, s, 4);
    e.appendChild(element('span', 'caret'));
    e.appendChild(element('span', 'mark'));
    e.appendChild(element('span', 'title', S.title[s]));
    if (S.change[s] !== 0) e.appendChild(element('span', 'change ' + CHANGE_CLASS[S.change[s]], S.changeLabels[S.change[s]]));
    if (S.kind[s] !== COUNTED) {
      var tally = element('span', 'tally');
      ['t-ok', 't-ko', 't-ne'].forEach(function (name, k) {
        if (tallies[s * 3 + k] > 0) tally.appendChild(element('span', name, String(tallies[s * 3 + k])));
      });
      e.appendChild(tally);
    }
    var link = element('a', 'case-link', '#');
    link.href = '#' + fragment(s);
    link.title = labels.link;
    e.appendChild(link);
    return e;
  }

  function headLine(s) {
    var e = element('div', 'line thead');
    indent(e, s, 28);
    e.style.gridTemplateColumns = columns(s);
    S.headers[S.header[s]].forEach(function (label) { e.appendChild(element('span', 'cell', label)); });
    return e;
  }

  // The file's own name and the line, which a narrow row never cuts off;
  // the whole path is in the tooltip and in the link.
  function sourceElement(block, r) {
    var url = block.paths[block.src[r]][1], label = sourceLabel(block, r);
    var e = element(url ? 'a' : 'span', 'src', label.replace(/^.*[\/\\](?=[^\/\\])/, ''));
    e.title = label;
    if (url) e.href = url;
    return e;
  }

  function rowLine(s, g) {
    var at = rowAt(s, g), block = at.block, r = at.r, code = block.kind[r];
    var cells = block.cellLists[block.cells[r]];
    var e;
    if (code >= PRINT) {
      e = element('div', 'line row print ' + ROW_CLASS[code - PRINT]);
      e.appendChild(element('span', 'arrow', '\u25b8'));
      e.appendChild(element('span', 'text', block.text[r]));
      if (block.src[r] >= 0) e.appendChild(sourceElement(block, r));
      cells.forEach(function (cell) { e.appendChild(element('span', 'times', cell)); });
    } else {
      e = element('div', 'line row ' + ROW_CLASS[code]);
      e.style.gridTemplateColumns = columns(s);
      var expr = element('span', 'cell expr');
      expr.appendChild(element('span', 'text', block.text[r]));
      if (block.src[r] >= 0) expr.appendChild(sourceElement(block, r));
      e.appendChild(expr);
      cells.forEach(function (cell, k) { e.appendChild(element('span', k === 0 ? 'cell' : 'cell count-cell', cell)); });
    }
    e.title = block.text[r];
    indent(e, s, 28);
    return e;
  }

  function messageLine(s, g, m) {
    var at = rowAt(s, g), block = at.block;
    var e = element('div', 'line message ' + ROW_CLASS[block.kind[at.r] % 3], messagesOf(block, at.r)[m]);
    e.title = e.textContent;
    indent(e, s, 56);
    return e;
  }

  // ---- the URL fragment ------------------------------------------------------------

  function fragment(caseIndex) {
    var parts = [];
    if (failedOnly.checked) parts.push('f=1');
    if (changedOnly !== null && changedOnly.checked) parts.push('c=1');
    if (search.value.trim()) parts.push('q=' + encodeURIComponent(search.value.trim()));
    if (caseIndex >= 0) parts.push('case=' + caseIndex);
    return parts.join('&');
  }

  function saveState() {
    var hash = fragment(-1);
    history.replaceState(null, '', hash ? '#' + hash : location.pathname + location.search);
  }

  function readState(hash) {
    var values = {};
    var legacy = /^s(\d+)$/.exec(hash);
    if (legacy) hash = 'case=' + legacy[1];
    hash.split('&').forEach(function (pair) {
      var at = pair.indexOf('=');
      if (at > 0) {
        try { values[pair.slice(0, at)] = decodeURIComponent(pair.slice(at + 1)); } catch (e) { /* kept out */ }
      }
    });
    failedOnly.checked = values.f === '1';
    if (changedOnly !== null) changedOnly.checked = values.c === '1';
    search.value = values.q || '';
    var c = Number(values['case']);
    target = values['case'] !== undefined && c >= 0 && c < count ? c : -1;
  }

  // Opens the way to the case named by the fragment and brings it into view.
  function showTarget() {
    if (target < 0) return;
    for (var p = S.parent[target]; p >= 0; p = S.parent[p]) open[p] = 1;
    open[target] = 1;
    flatten();
    var at = 0;
    while (at < lineCount && !(lineScope[at] === target && lineKind[at] === L_SCOPE)) at++;
    if (at === lineCount) return;
    var height = spacer.offsetHeight, full = lineCount * LINE, view = window.innerHeight;
    var offset = at * LINE;
    if (full > height && height > view) offset = offset * (height - view) / (full - view);
    window.scrollTo(0, treeTop() + offset);
    render();
  }

  // On a hash change the fragment comes from the event: a search still
  // waiting to be saved may have replaced the address since, and it gives
  // way to the link that was followed.
  function fromFragment(event) {
    clearTimeout(searchTimer);
    var url = event && event.newURL ? event.newURL : location.href;
    var at = url.indexOf('#');
    readState(at < 0 ? '' : url.slice(at + 1));
    apply();
    showTarget();
  }

  // ---- events ------------------------------------------------------------------------

  function toggle(s) {
    open[s] = open[s] ? 0 : 1;
    flatten();
  }

  function listen() {
    var frame = 0;
    window.addEventListener('scroll', function () {
      if (!frame) frame = requestAnimationFrame(function () { frame = 0; render(); });
    }, { passive: true });
    window.addEventListener('resize', function () { render(); });
    tree.addEventListener('click', function (event) {
      if (event.target.closest('a')) return;
      var line = event.target.closest('.line.scope');
      if (line) toggle(Number(line.dataset.scope));
    });
    tree.addEventListener('keydown', function (event) {
      var line = event.target.closest && event.target.closest('.line.scope');
      if (line && (event.key === 'Enter' || event.key === ' ')) {
        event.preventDefault();
        toggle(Number(line.dataset.scope));
      }
    });
    search.addEventListener('input', function () {
      clearTimeout(searchTimer);
      searchTimer = setTimeout(function () { saveState(); apply(); }, 40);
    });
    var changeFilter = function () { saveState(); apply(); };
    failedOnly.addEventListener('change', changeFilter);
    if (changedOnly !== null) changedOnly.addEventListener('change', changeFilter);
    document.getElementById('expand-all').addEventListener('click', function () { open.fill(1); flatten(); });
    document.getElementById('collapse-all').addEventListener('click', function () { open.fill(0); flatten(); });
    window.addEventListener('hashchange', fromFragment);
  }

  // The other scopes' rows, a block at a time, letting the page answer
  // between two blocks.
  function loadRest(b) {
    if (b === blocks.length) return Promise.resolve();
    return inflate('tree-rest-' + (b - 1)).then(function (rows) {
      blocks[b] = setUpRows(rows);
      return new Promise(function (done) { setTimeout(done, 0); });
    }).then(function () { return loadRest(b + 1); });
  }

  function start() {
    tree.replaceChildren();
    spacer = element('div', 'spacer');
    windowBox = element('div', 'lines');
    windowBox.setAttribute('role', 'tree');
    spacer.appendChild(windowBox);
    tree.appendChild(spacer);
    inflate('tree-scopes').then(function (scopes) {
      S = scopes;
      setUpScopes();
      return inflate('tree-failed');
    }).then(function (rows) {
      blocks[0] = setUpRows(rows);
      listen();
      fromFragment();
      times.first = performance.now();
      // The rest once the first view is painted.
      return new Promise(function (done) {
        requestAnimationFrame(function () { setTimeout(done, 0); });
      });
    }).then(function () {
      times.painted = performance.now();
      return loadRest(1);
    }).then(function () {
      allLoaded = true;
      if (pending || visible !== null) apply(); else flatten();
      pending = 0;
      if (target >= 0) showTarget();
      times.ready = performance.now();
      document.body.dataset.ready = 'true';
      // The search text is built while nobody is typing yet.
      setTimeout(function () { if (!index) buildIndex(); }, 0);
    }).catch(function (error) {
      tree.textContent = String(error);
      throw error;
    });
  }

  start();
})();
