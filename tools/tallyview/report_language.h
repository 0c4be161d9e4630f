// The language a report speaks, for the page's lang attribute: its
// "Report Information" heading is looked up in tallyrpt's catalogues
// (tallygen_<lang>.qm of the installation, found through KORVELDIR or next
// to the program); the untranslated heading is English. Empty when no
// catalogue knows the heading.
#pragma once

#include "results_model.h"

QString report_language(const view_results &results);
