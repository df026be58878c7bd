// One web run from the query page's fields to the written report, on the run's own thread:
// the window's lists, its filter check and question, the two statements and the report,
// each stage the one the window and `zol5300 report` run.
#pragma once

#include <string>

#include "query/filter_lists.h"
#include "web/run_store.h"

namespace zol::web {

struct JobRequest {
    std::string base;  // the package folder
    FilterChoices choices;
    // The whole-school question was answered Yes.
    bool yes = false;
};

// Runs the report into the run's folder; the outcome (a message and its field, the
// question, or the report) is left in `run`. Never throws.
void run_report(WebRun& run, const JobRequest& request);

}  // namespace zol::web
