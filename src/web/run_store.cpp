#include "web/run_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <stdexcept>

#include "core/errno_text.h"
#include "core/text.h"
#include "web/sessions.h"

namespace zol::web {

namespace fs = std::filesystem;

namespace {

// Runs kept per session: the preview being read and a few before it, so that a clerk's disk
// use stays bounded however often they run.
constexpr std::size_t kRunsKept = 4;

void make_private_folder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error(cat("無法建立資料夾 ", folder.string(), "：", errno_text(errno)));
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        throw std::runtime_error(cat(folder.string(), " 不是本帳號的資料夾，不予使用"));
    // Reports of the school's students: nobody but the server's account reads them.
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        throw std::runtime_error(
            cat("無法設定資料夾 ", folder.string(), " 的權限：", errno_text(errno)));
}

void remove_quietly(const fs::path& p) {
    std::error_code ec;
    fs::remove_all(p, ec);
}

}  // namespace

bool run_id_like(std::string_view id) {
    if (id.size() != 32) return false;
    for (const char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

WebRun::~WebRun() {
    cancel();
    if (worker_.joinable()) worker_.join();
    remove_quietly(folder_);
}

void WebRun::start(std::function<void(WebRun&)> body) {
    worker_ = std::thread([this, body = std::move(body)] { body(*this); });
}

RunView WebRun::view() const {
    const std::lock_guard lock(mutex_);
    return view_;
}

void WebRun::set_progress(const Progress& p) {
    const std::lock_guard lock(mutex_);
    view_.progress = p;
}

void WebRun::fail(std::string message, FocusControl focus, bool select_opt_group2) {
    const std::lock_guard lock(mutex_);
    view_.state = RunState::Failed;
    view_.message = std::move(message);
    view_.focus = focus;
    view_.select_opt_group2 = select_opt_group2;
}

void WebRun::ask(std::string question) {
    const std::lock_guard lock(mutex_);
    view_.state = RunState::Question;
    view_.message = std::move(question);
}

void WebRun::set_trimmed(std::map<std::string, std::string> trimmed) {
    const std::lock_guard lock(mutex_);
    view_.trimmed = std::move(trimmed);
}

void WebRun::finish(int pages, std::shared_ptr<const HeldReport> report, XlsxSource source,
                    std::string date_label) {
    const std::lock_guard lock(mutex_);
    report_ = std::move(report);
    source_ = std::move(source);
    date_label_ = std::move(date_label);
    view_.pages = pages;
    view_.state = RunState::Done;
}

std::shared_ptr<const HeldReport> WebRun::report() const {
    const std::lock_guard lock(mutex_);
    return report_;
}

RunStore::RunStore(fs::path root) : root_(std::move(root)) {
    make_private_folder(root_);
    // What a server before this one left: its sessions ended with it.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_, ec)) remove_quietly(entry.path());
}

RunStore::~RunStore() {
    std::map<std::string, SessionRuns, std::less<>> all;
    {
        const std::lock_guard lock(mutex_);
        all.swap(sessions_);
    }
    for (auto& [session, runs] : all) {
        runs.runs.clear();
        remove_quietly(runs.folder);
    }
}

std::shared_ptr<WebRun> RunStore::add(const std::string& session, bool preview) {
    std::shared_ptr<WebRun> dropped;  // destroyed outside the lock: it waits for its thread
    std::shared_ptr<WebRun> run;
    {
        const std::lock_guard lock(mutex_);
        auto [it, fresh] = sessions_.try_emplace(session);
        if (fresh) {
            it->second.folder = root_ / random_hex(16);
            try {
                make_private_folder(it->second.folder);
            } catch (...) {
                sessions_.erase(it);
                throw;
            }
        }
        SessionRuns& s = it->second;
        const std::string id = random_hex(16);
        const fs::path folder = s.folder / id;
        make_private_folder(folder);
        run = std::make_shared<WebRun>(id, folder, preview);
        s.runs.emplace(next_++, run);
        if (s.runs.size() > kRunsKept) {
            dropped = std::move(s.runs.begin()->second);
            s.runs.erase(s.runs.begin());
        }
    }
    return run;
}

std::shared_ptr<WebRun> RunStore::find(const std::string& session, std::string_view id) {
    if (!run_id_like(id)) return nullptr;
    const std::lock_guard lock(mutex_);
    const auto it = sessions_.find(session);
    if (it == sessions_.end()) return nullptr;
    for (const auto& [order, run] : it->second.runs)
        if (same_secret(run->id(), id)) return run;
    return nullptr;
}

void RunStore::end_session(const std::string& session) {
    SessionRuns gone;
    {
        const std::lock_guard lock(mutex_);
        const auto it = sessions_.find(session);
        if (it == sessions_.end()) return;
        gone = std::move(it->second);
        sessions_.erase(it);
    }
    for (auto& [order, run] : gone.runs) run->cancel();
    gone.runs.clear();
    remove_quietly(gone.folder);
}

}  // namespace zol::web
