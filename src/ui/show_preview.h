// show_preview: opens the preview window on page 1 of a written report, or refills it when
// it is open. The host keeps the window between runs and loads a new one after it was closed.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "print/print_state.h"
#include "ui/preview_window.h"

namespace zol {

class PreviewHost {
  public:
    PreviewHost(print::PrintState& state, std::string base_path, PreviewHooks hooks = {});
    ~PreviewHost();
    PreviewHost(const PreviewHost&) = delete;
    PreviewHost& operator=(const PreviewHost&) = delete;

    // The five arguments of the writer's hand-over; the first page is not used.
    void show_preview(const std::string& file_name, int total_pages, const std::string& paper_name,
                      int first_page, int orientation);

    // The run behind the next report shown, for the window's Excel button.
    void hand_over_run(const XlsxSource& source) { source_ = source; }
    // The query window's own run is replacing the report (true) or done (false).
    void run_in_progress(bool running);

    // The open window, or nullptr when it is not loaded (never opened, or closed since).
    PREPRINT* window() const;

  private:
    print::PrintState& state_;
    std::string base_path_;
    PreviewHooks hooks_;
    std::unique_ptr<PREPRINT> window_;
    std::optional<XlsxSource> source_;
};

}  // namespace zol
