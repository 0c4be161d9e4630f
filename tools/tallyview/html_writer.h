// The HTML view of a run: one self-contained page. Its head (report
// information, the counts with a pass/fail bar, the comparison with a
// baseline) and its controls are markup; the node tree travels as packed
// data (zlib-compressed JSON in base64, page_data.h) that the page's script
// inflates and renders: failures first, scopes collapsed until opened,
// failed ones open, and only the lines in view put in the document. The page
// loads nothing from anywhere (its security policy forbids it), so it works
// when opened from disk. Its lang attribute is the report's language.
#pragma once

#include "results_model.h"
#include "text_sink.h"

void write_html(const view_results &results, text_sink &sink);
