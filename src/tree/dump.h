// A text dump of the whole tree for tests: one line per node in walk order.
#pragma once

#include <string>

// Each file section from the head of the file list, then its nodes in
// pre-order, indented two spaces per depth:
//   <type> <file>/<identifier hex> "<text>" line=<n> status=<s> [t/p/f/e] {msg|msg}
std::string dump_tree();
