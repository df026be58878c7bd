// Damaged Jet files: cut short or with bytes changed, they open with a clear error or
// read, and never crash or hang this process (libmdb runs in a child with time limits).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "data/database.h"
#include "data/db_error.h"
#include "data/jet/jet_database.h"
#include "data/result_set.h"
#include "support/jet_files.h"

namespace zol {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kJetDir = ZOL_TESTDATA_JET;

using test::read_file;

JetReadLimits quick_limits() {
    JetReadLimits l;
    l.idle_timeout = std::chrono::milliseconds(1500);
    l.total_timeout = std::chrono::milliseconds(3000);
    return l;
}

struct Tally {
    int read = 0;
    int refused = 0;
    std::vector<std::string> reasons;
};

struct Content {
    std::string bytes;
    std::vector<std::string> tables;
    std::string label;
};

// Opens each content as a file and reads every table named; each failure must be a DbError
// that names the file and gives a reason. The files are written first and read once their
// times are settled, so that the test waits for that only once.
std::vector<Tally> try_contents(const std::vector<Content>& contents) {
    const test::TempDir dir("jet-damaged-");
    for (std::size_t i = 0; i < contents.size(); ++i) {
        test::write_file(dir / (std::to_string(i) + ".mdb"), contents[i].bytes);
    }
    test::wait_until_settled();
    std::vector<Tally> tallies(contents.size());
    for (std::size_t i = 0; i < contents.size(); ++i) {
        const auto& [bytes, tables, label] = contents[i];
        Tally& tally = tallies[i];
        const std::string path = dir / (std::to_string(i) + ".mdb");
        const auto start = Clock::now();
        auto note_error = [&](const DbError& e) {
            ++tally.refused;
            EXPECT_EQ(e.path(), path) << label;
            EXPECT_FALSE(e.engine_message().empty()) << label;
            tally.reasons.push_back(e.engine_message());
        };
        try {
            auto db = open_jet_database(path, "KTWOM", quick_limits());
            for (const auto& t : tables) {
                try {
                    const ResultSet rs = db->query("select * from " + t);
                    ++tally.read;
                    EXPECT_LT(rs.row_count(), 100000u) << label;
                } catch (const DbError& e) {
                    note_error(e);
                }
            }
        } catch (const DbError& e) {
            note_error(e);  // refused at open: counts for every table
            tally.refused += static_cast<int>(tables.size()) - 1;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // Each query may take the child's full allowance at worst, never more.
        EXPECT_LT(seconds, 3.6 * static_cast<double>(tables.size())) << label;
    }
    return tallies;
}

void expect_no_child_left() {
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(JetDamaged, TruncatedCopies) {
    const std::string good = read_file(kJetDir + "/compIndexTestV2000.mdb");
    // Whole pages missing pass the size check and reach libmdb; cuts inside a page do not.
    const std::size_t cuts[] = {3 * 4096,        8 * 4096,        20 * 4096, good.size() - 4096,
                                10 * 4096 + 123, good.size() - 1, 100};
    std::vector<Content> contents;
    for (std::size_t cut : cuts) {
        contents.push_back(
            {good.substr(0, cut), {"Table1", "MSysObjects"}, "cut " + std::to_string(cut)});
    }
    const auto tallies = try_contents(contents);
    int refused = 0;
    for (std::size_t i = 0; i < tallies.size(); ++i) {
        if (cuts[i] % 4096 != 0) {
            ASSERT_FALSE(tallies[i].reasons.empty());
            EXPECT_TRUE(tallies[i].reasons[0].find("不完整") != std::string::npos ||
                        tallies[i].reasons[0].find("不是 Access") != std::string::npos)
                << tallies[i].reasons[0];
        }
        refused += tallies[i].refused;
    }
    EXPECT_GT(refused, 0);
    expect_no_child_left();
}

// Flips up to 200 bytes of the first 16 pages: those after page 0, or with page 0 too.
std::string flipped(const std::string& good, unsigned seed, bool page0 = false) {
    std::string bad = good;
    std::mt19937 rng(seed);
    const std::size_t from = page0 ? 0 : 4096;
    const std::size_t to = std::min<std::size_t>(bad.size(), 16 * 4096);
    const int flips = 1 + static_cast<int>(rng() % 200);
    for (int k = 0; k < flips; ++k) {
        const std::size_t at = from + rng() % (to - from);
        bad[at] = static_cast<char>(bad[at] ^ (1 + rng() % 255));
    }
    return bad;
}

TEST(JetDamaged, FlippedBytes) {
    const std::string files[] = {"compIndexTestV2000.mdb", "test2V2000.mdb", "testV2000.mdb"};
    const std::vector<std::string> tables[] = {
        {"Table1", "MSysObjects"}, {"MSP_PROJECTS", "MSysObjects"}, {"Table1", "Table2"}};
    std::vector<Content> contents;
    for (int variant = 0; variant < 30; ++variant) {
        const int which = variant % 3;
        // Page 0 now and then; otherwise the first pages, where the catalogue, the table
        // definitions and the first data pages lie.
        contents.push_back({flipped(read_file(kJetDir + "/" + files[which]),
                                    static_cast<unsigned>(5300 + variant), variant % 5 == 0),
                            tables[which], files[which] + " variant " + std::to_string(variant)});
    }
    Tally tally;
    for (const Tally& one : try_contents(contents)) {
        tally.read += one.read;
        tally.refused += one.refused;
        tally.reasons.insert(tally.reasons.end(), one.reasons.begin(), one.reasons.end());
    }
    // Some damage goes unnoticed and some is refused; every refusal says why in Chinese.
    EXPECT_GT(tally.read, 0);
    EXPECT_GT(tally.refused, 0);
    for (const std::string& why : tally.reasons)
        EXPECT_NE(why.find_first_of("\xe4\xe5\xe6\xe7\xe8\xe9"), std::string::npos) << why;
    expect_no_child_left();
}

// Damage at known places of testV2000.mdb: Table1's entry in the catalogue (its definition
// page number at 59914) and its definition (page 24). Each is refused with its own reason.
TEST(JetDamaged, EachKnownDamageHasItsReason) {
    const std::string good = read_file(kJetDir + "/testV2000.mdb");
    const struct {
        std::size_t at;
        std::string bytes, reason;
    } damages[] = {
        {59914, std::string("\x00\xff\xff\x00", 4), "Table1 第 16776960 頁：頁碼超出檔案範圍"},
        {59914, std::string(4, '\0'), "Table1 第 0 頁：頁碼超出檔案範圍"},
        {59914, std::string("\x0e\x00\x00\x00", 4), "Table1 第 14 頁：不是資料表的定義頁"},
        {24 * 4096 + 45, std::string("\x2c\x01", 2), "的欄位"},
        {24 * 4096 + 45, std::string(2, '\0'), "沒有欄位"},
    };
    std::vector<Content> contents;
    for (const auto& d : damages) {
        std::string bad = good;
        bad.replace(d.at, d.bytes.size(), d.bytes);
        contents.push_back({bad, {"Table1"}, d.reason});
    }
    const auto tallies = try_contents(contents);
    for (std::size_t i = 0; i < tallies.size(); ++i) {
        ASSERT_EQ(tallies[i].reasons.size(), 1u) << i;
        EXPECT_NE(tallies[i].reasons[0].find(damages[i].reason), std::string::npos)
            << i << ": " << tallies[i].reasons[0];
    }
    expect_no_child_left();
}

TEST(JetDamaged, ReaderCrashBecomesAnError) {
    // With libmdb 1.0 this variant makes the reading process die of a segmentation fault.
    const Tally tally =
        try_contents(
            {{flipped(read_file(kJetDir + "/compIndexTestV2000.mdb"), 193), {"Table1"}, "crash"}})
            .at(0);
    ASSERT_EQ(tally.reasons.size(), 1u);
    EXPECT_NE(tally.reasons[0].find("損毀"), std::string::npos) << tally.reasons[0];
    // This process carries on; the sound file next to it still reads.
    const auto sound = open_jet_database(kJetDir + "/compIndexTestV2000.mdb", "KTWOM");
    EXPECT_EQ(sound->query("select count(*) from Table1").field(0).number(), 512);
    expect_no_child_left();
}

// The reader's failure under the limits, without the cache (a copy kept by an earlier test
// would need no reading).
std::string limited_read_failure(const JetReadLimits& limits) {
    try {
        open_jet_database(kJetDir + "/compIndexTestV2000.mdb", "", limits, {false, {}, {}})
            ->query("select * from Table1");
    } catch (const DbError& e) {
        return e.engine_message();
    }
    return "read without complaint";
}

TEST(JetDamaged, TimeAndOutputLimitsStopTheReader) {
    JetReadLimits no_time;
    no_time.total_timeout = std::chrono::milliseconds(0);
    const auto start = Clock::now();
    EXPECT_NE(limited_read_failure(no_time).find("逾時"), std::string::npos);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 1.0);
    JetReadLimits no_room;
    no_room.output_allowance = 0;  // 32 bytes for each byte of the file are room enough
    EXPECT_EQ(limited_read_failure(no_room), "read without complaint");
    no_room.output_per_file_byte = 0;
    no_room.output_allowance = 1000;  // 512 rows need more
    EXPECT_NE(limited_read_failure(no_room).find("資料量異常"), std::string::npos);
    expect_no_child_left();
}

}  // namespace
}  // namespace zol
