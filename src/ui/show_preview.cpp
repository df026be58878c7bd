#include "ui/show_preview.h"

#include <QScreen>

#include "core/numbers.h"

namespace zol {

PreviewHost::PreviewHost(print::PrintState& state, std::string base_path, PreviewHooks hooks)
    : state_(state), base_path_(std::move(base_path)), hooks_(std::move(hooks)) {}

PreviewHost::~PreviewHost() = default;

PREPRINT* PreviewHost::window() const {
    return window_ && window_->isVisible() ? window_.get() : nullptr;
}

void PreviewHost::show_preview(const std::string& file_name, int total_pages,
                               const std::string& paper_name, int /*first_page*/, int orientation) {
    const std::int16_t turn = to_int16(orientation);
    // A window closed since the last run is unloaded; the next run loads a fresh one.
    if (window_ && !window_->isVisible()) window_.reset();
    if (!window_) {
        window_ = std::make_unique<PREPRINT>(state_, base_path_, hooks_);
        // The program ends with the query window, whether or not the preview is open.
        window_->setAttribute(Qt::WA_QuitOnClose, false);
        // A whole report line and as much of a page as the screen holds: the window opens
        // on the whole work area, maximized where a window manager is there to do it.
        window_->setGeometry(window_->screen()->availableGeometry());
        window_->showMaximized();
    }
    window_->show();
    window_->raise();
    window_->set_source(source_);
    window_->show_report(file_name, total_pages, paper_name, turn);
}

void PreviewHost::run_in_progress(bool running) {
    if (PREPRINT* w = window()) w->set_run_in_progress(running);
}

}  // namespace zol
