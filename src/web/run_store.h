// The report runs of the web clerks. Each session has a private folder of its own under the
// server's run folder, where its runs write their reports; nothing of a web run is written
// into the package's report folder, so a clerk at the window never finds a web clerk's
// report there. A run is found by an unguessable id, and only by the session that made it.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "data/data_options.h"
#include "query/check_text.h"
#include "report/held_report.h"
#include "report/report_find.h"
#include "report/xlsx_run.h"

namespace zol::web {

enum class RunState {
    Running,
    Question,  // the whole-school question must be answered before a print
    Failed,    // `message` (and `focus`) say why; no report
    Done,      // `pages` pages in `report`
};

// What the run's page asks about it, copied out under the run's lock.
struct RunView {
    RunState state = RunState::Running;
    Progress progress;
    std::string message;
    FocusControl focus = FocusControl::None;
    bool select_opt_group2 = false;
    // The check's trimmed texts, which the query page writes back into its fields.
    std::map<std::string, std::string> trimmed;
    int pages = 0;
};

class WebRun {
  public:
    WebRun(std::string id, std::filesystem::path folder, bool preview)
        : id_(std::move(id)), folder_(std::move(folder)), preview_(preview) {}
    ~WebRun();
    WebRun(const WebRun&) = delete;
    WebRun& operator=(const WebRun&) = delete;

    const std::string& id() const { return id_; }
    // The run's own folder: its report is written there.
    const std::filesystem::path& folder() const { return folder_; }
    // A run of 預覽列印 (else of 列印).
    bool preview() const { return preview_; }

    RunView view() const;
    void set_progress(const Progress& p);
    void fail(std::string message, FocusControl focus = FocusControl::None,
              bool select_opt_group2 = false);
    void ask(std::string question);
    void set_trimmed(std::map<std::string, std::string> trimmed);
    // The run wrote its report: what the preview, the downloads and find read from now on.
    void finish(int pages, std::shared_ptr<const HeldReport> report, XlsxSource source,
                std::string date_label);

    // Set when nobody waits for the run any more; its progress listener then stops it.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

    // Valid once the state is Done.
    std::shared_ptr<const HeldReport> report() const;
    const XlsxSource& source() const { return source_; }
    // The collection dates in a file name: "115-03-01" or "115-03-01_115-03-15".
    const std::string& date_label() const { return date_label_; }
    // The report's finder, used by one search at a time.
    template <class F>
    auto with_finder(F&& f) {
        const std::lock_guard lock(find_mutex_);
        if (!finder_) finder_ = std::make_unique<ReportFinder>(report());
        return f(*finder_);
    }

    // The thread doing the run; joined when the run is dropped.
    void start(std::function<void(WebRun&)> body);

  private:
    const std::string id_;
    const std::filesystem::path folder_;
    const bool preview_;
    mutable std::mutex mutex_;
    RunView view_;
    std::shared_ptr<const HeldReport> report_;
    XlsxSource source_;
    std::string date_label_;
    std::atomic<bool> cancelled_ = false;
    std::mutex find_mutex_;
    std::unique_ptr<ReportFinder> finder_;
    std::thread worker_;
};

class RunStore {
  public:
    // Makes `root` (mode 0700) when it is missing and removes what an earlier server left in
    // it; throws (in words for the user) when it cannot be used.
    explicit RunStore(std::filesystem::path root);
    ~RunStore();
    RunStore(const RunStore&) = delete;
    RunStore& operator=(const RunStore&) = delete;

    // A new run of `session`, its folder made; the oldest runs of the session beyond the last
    // few are dropped (and their files removed). Throws when the folder cannot be made.
    std::shared_ptr<WebRun> add(const std::string& session, bool preview);
    // The run `id` of `session`; null for any other session's, or an id that is no run.
    std::shared_ptr<WebRun> find(const std::string& session, std::string_view id);
    // Drops the session's runs and removes its folder (logout, expiry).
    void end_session(const std::string& session);
    const std::filesystem::path& root() const { return root_; }

  private:
    struct SessionRuns {
        std::filesystem::path folder;
        std::map<std::uint64_t, std::shared_ptr<WebRun>> runs;  // by order of starting
    };
    const std::filesystem::path root_;
    std::mutex mutex_;
    std::map<std::string, SessionRuns, std::less<>> sessions_;
    std::uint64_t next_ = 0;
};

// A run id as the routes take it: 32 lowercase hex digits.
bool run_id_like(std::string_view id);

}  // namespace zol::web
