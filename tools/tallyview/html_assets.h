// The style sheet and the script inlined into every HTML page, so that the
// page needs nothing beyond itself (its security policy forbids loading
// anything else). They are page/page.css and page/page.js, turned into C
// strings at build time by embed_assets.cmake.
#pragma once

extern const char HTML_STYLE[];
extern const char HTML_SCRIPT[];
