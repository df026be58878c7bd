// Proven states of Jet files kept in the cache folder: only a sound record proves a state.
#include "data/jet/state_record.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "data/jet/jet_snapshot.h"
#include "support/files.h"

namespace zol::test {
namespace {

// The state records of one folder, by the prefix of their names.
std::vector<fs::path> state_records(const fs::path& root) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(root)) {
        if (e.path().filename().string().rfind("state-", 0) == 0) out.push_back(e.path());
    }
    return out;
}

// Only a whole record, this user's alone, of the same stamp in every field and settled when
// it was taken proves a state; the newest 64 records are kept.
TEST(StateRecords, OnlyASoundRecordOfTheSameStampProvesAState) {
    const FileStamp stamp{7, 8, 4096, 1'000'000'000, 2'000'000'000};
    const StateRecord record{FileState{stamp, Digest{0x1234, 0x5678}}, wall_clock_ns()};
    // Field k of the record's words (2 the device ... 6 the change time) one more.
    const auto one_more = [](std::size_t k) {
        return [k](const fs::path& f) {
            std::istringstream in(test::read_file(f));
            std::vector<std::string> w{std::istream_iterator<std::string>(in), {}};
            w.at(k) = std::to_string(std::stoll(w.at(k)) + 1);
            std::string text;
            for (const auto& word : w) text += word + " ";
            test::write_file(f, text);
        };
    };
    const std::pair<std::string, std::function<void(const fs::path&)>> spoilers[] = {
        {"sound", [](const fs::path&) {}},
        {"empty", [](const fs::path& f) { test::write_file(f, ""); }},
        {"cut short",
         [](const fs::path& f) { test::write_file(f, test::read_file(f).substr(0, 40)); }},
        {"writable by others",
         [](const fs::path& f) {
             fs::permissions(f, fs::perms::others_write, fs::perm_options::add);
         }},
        {"device", one_more(2)},
        {"inode", one_more(3)},
        {"size", one_more(4)},
        {"mtime", one_more(5)},
        {"ctime", one_more(6)},
    };
    for (const auto& [what, spoil] : spoilers) {
        const test::TempDir root;
        write_state_record(root.path(), record);
        const auto files = state_records(root.path());
        ASSERT_EQ(files.size(), 1u) << what;
        spoil(files[0]);
        const auto found = find_state_record(root.path(), stamp);
        ASSERT_EQ(found.has_value(), what == "sound") << what;
        if (found) {
            EXPECT_TRUE(found->state == record.state && found->began_ns == record.began_ns);
        }
    }
    // A record that cannot be put in place (a folder holds its name) leaves nothing behind.
    {
        const test::TempDir root;
        write_state_record(root.path(), record);
        const fs::path name = state_records(root.path()).at(0);
        fs::remove(name);
        fs::create_directories(name / "in the way");
        write_state_record(root.path(), record);
        EXPECT_FALSE(find_state_record(root.path(), stamp).has_value());
        EXPECT_EQ(std::distance(fs::directory_iterator(root.path()), {}), 1);
    }
    const test::TempDir root;
    // Taken too soon after the file was written: a later write might not show.
    write_state_record(root.path(), StateRecord{record.state, stamp.ctime_ns});
    EXPECT_TRUE(state_records(root.path()).empty());
    for (ino_t i = 0; i <= 64; ++i) {
        FileStamp other = stamp;
        other.inode = 100 + i;
        if (i == 64) {
            for (const auto& f : state_records(root.path()))
                fs::last_write_time(f, fs::file_time_type::clock::now() - std::chrono::hours(1));
        }
        write_state_record(root.path(), StateRecord{FileState{other, {}}, record.began_ns});
    }
    EXPECT_EQ(state_records(root.path()).size(), 64u);
    FileStamp newest = stamp;
    newest.inode = 164;
    EXPECT_TRUE(find_state_record(root.path(), newest).has_value());
}

}  // namespace
}  // namespace zol::test
