// The progress of a long run as one line on standard error, rewritten in place; only when
// standard error is a terminal (a log file or a pipe gets nothing).
#pragma once

#include <chrono>
#include <string>

#include "data/data_options.h"

namespace zol::app {

class ProgressLine {
  public:
    ProgressLine();
    ~ProgressLine();  // clears the line
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // A listener writing to this line; empty when standard error is no terminal.
    ProgressFn listener();
    // A listener of notices: each different notice once, as a line of its own on standard
    // error (terminal or not).
    NoticeFn notices();

  private:
    void show(const Progress& p);

    bool terminal_ = false;
    bool shown_ = false;
    std::string last_notice_;
    std::string last_what_;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace zol::app
