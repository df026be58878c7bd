#include "app/zol5300/progress_line.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace zol::app {

ProgressLine::ProgressLine() : terminal_(::isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() {
    if (shown_) std::fputs("\r\033[K", stderr);
}

ProgressFn ProgressLine::listener() {
    if (!terminal_) return {};
    return [this](const Progress& p) { show(p); };
}

NoticeFn ProgressLine::notices() {
    return [this](const std::string& text) {
        if (text == last_notice_) return;
        last_notice_ = text;
        if (shown_) std::fputs("\r\033[K", stderr);
        shown_ = false;
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
    };
}

void ProgressLine::show(const Progress& p) {
    const auto now = std::chrono::steady_clock::now();
    // A new step shows at once; counts of the same step at most five times a second.
    if (shown_ && p.what == last_what_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    last_what_ = p.what;
    shown_ = true;
    std::string line = "\r\033[K" + p.what;
    if (p.rows > 0 || p.total == 0) line += "  " + std::to_string(p.rows) + " 筆";
    if (p.total > 0) line += "  (" + std::to_string(p.done) + "/" + std::to_string(p.total) + ")";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace zol::app
