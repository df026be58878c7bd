#include "report/class_group_feed.h"

#include <utility>

namespace zol {

ClassGroupFeed::ClassGroupFeed(RowSource& detail, ResultSet& items, bool merged, std::size_t depth)
    : detail_(detail), reader_(detail, items), merged_(merged), depth_(depth < 1 ? 1 : depth) {
    // The first group is read here: it loads the run's item rows, the largest allocation
    // of the run, which so lands where the caller's memory is and is freed back to it.
    state_.merged = merged_;
    state_.row_table.assign(1, {});
    state_.row_names.assign(1, {});
    state_.item_table.assign(1, {});
    reader_.read(state_);
    queue_.push_back(Group{handed_over(), detail_.eof()});
    if (detail_.eof()) {
        done_ = true;
    } else {
        thread_ = std::thread([this] { run(); });
    }
}

ClassGroupFeed::~ClassGroupFeed() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    space_.notify_all();
    if (thread_.joinable()) thread_.join();
}

WriterState ClassGroupFeed::handed_over() {
    // Per-class mode starts every group afresh, so the state goes whole; in merged mode
    // the item columns run on into the next group, so it is copied.
    if (merged_) return state_;
    return std::move(state_);
}

void ClassGroupFeed::run() {
    try {
        while (!detail_.eof()) {
            reader_.read(state_);
            Group group{handed_over(), detail_.eof()};
            std::unique_lock lock(mutex_);
            space_.wait(lock, [this] { return stop_ || queue_.size() < depth_; });
            if (stop_) return;
            queue_.push_back(std::move(group));
            lock.unlock();
            ready_.notify_one();
        }
    } catch (...) {
        const std::lock_guard lock(mutex_);
        error_ = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    ready_.notify_one();
}

std::optional<ClassGroupFeed::Group> ClassGroupFeed::next() {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return !queue_.empty() || done_; });
    if (queue_.empty()) {
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
        return std::nullopt;
    }
    Group group = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    space_.notify_one();
    return group;
}

}  // namespace zol
