// The style sheet and the script inlined into every HTML page, so that the
// page needs nothing beyond itself (its security policy forbids loading
// anything else).
#pragma once

extern const char HTML_STYLE[];
extern const char HTML_SCRIPT[];
