// The node tree of a run as the page's script reads it: blocks of JSON, each
// packed (packed_sink.h) into an element <script type="application/json+
// deflate+base64" id="...">. The first, "tree-scopes", holds the texts the
// script shows (translated), the table headers, the scopes as columns
// (parent, state, kind, title, header, change, number of rows) and the first
// scope of each "tree-rest-N" block; "tree-failed" holds the rows of the
// failed scopes in scope order, which the first view needs; "tree-rest-0",
// "tree-rest-1", ... the rows of every other scope, in scope order, some
// 65,536 rows to a block.
// A rows block holds columns too: kind, text, source path and line, cells;
// then the rows that have messages and their message lists; the source paths
// (and their file:// URLs) and the cell lists are stored once each.
#pragma once

#include "results_model.h"
#include "text_sink.h"

void write_page_data(const view_results &results, text_sink &sink);
