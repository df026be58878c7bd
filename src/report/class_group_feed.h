// Class groups read on a thread of their own: SQLite walks the rows of the next groups
// while the caller writes the groups before. Only a few groups wait at any time, so the
// memory used stays that of a few classes however long the run.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "data/result_set.h"
#include "report/class_group.h"
#include "report/writer_state.h"

namespace zol {

class ClassGroupFeed {
  public:
    struct Group {
        WriterState state;  // as ClassGroupReader::read left it after this group
        bool last = false;  // no group follows
    };

    // Reads the group `detail` stands on (which must not be at its end), then starts the
    // thread on the next ones. From here until the feed is gone, `detail` and `items`
    // belong to that thread: the caller must not touch them. Throws what reading throws.
    ClassGroupFeed(RowSource& detail, ResultSet& items, bool merged, std::size_t depth = 2);
    // Stops the reading, if it still runs, and waits for the thread.
    ~ClassGroupFeed();
    ClassGroupFeed(const ClassGroupFeed&) = delete;
    ClassGroupFeed& operator=(const ClassGroupFeed&) = delete;

    // The next group in order, or nullopt after the last. Rethrows what the reading threw
    // (a DbError, say) once the groups read before it are taken.
    std::optional<Group> next();

  private:
    void run();
    WriterState handed_over();

    RowSource& detail_;
    ClassGroupReader reader_;
    const bool merged_;
    const std::size_t depth_;
    WriterState state_;  // the reader's: what runs on from one group to the next

    std::mutex mutex_;
    std::condition_variable ready_;  // a group, the end or an error to take
    std::condition_variable space_;  // room in the queue, or stop
    std::deque<Group> queue_;
    bool done_ = false;
    bool stop_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace zol
