// The child-to-parent stream: what goes in comes out, however it is cut into reads, and a
// cut, garbled or overlong stream is never taken for a complete one.
#include "data/jet/jet_wire.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "core/unique_fd.h"
#include "support/files.h"

namespace zol {
namespace {

// Runs `write` against a writer on a temporary file and returns all bytes written.
std::string written(const std::function<void(JetWireWriter&)>& write) {
    const test::TempDir dir;
    const UniqueFd fd(::open((dir / "stream").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
    JetWireWriter w(fd.get());
    write(w);
    return test::read_file(dir / "stream");
}

JetWireReader read_in_pieces(std::string_view s, std::size_t piece) {
    JetWireReader r;
    for (std::size_t at = 0; at < s.size(); at += piece) r.take(s.substr(at, piece));
    return r;
}

TEST(JetWire, RowsMissingAndDoneInAnyPieces) {
    const std::string s = written([](JetWireWriter& w) {
        w.rows_written(16384);
        w.rows_written(70000);
        w.missing_table("NoSuch");
        w.done();
    });
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, s.size()}) {
        const JetWireReader r = read_in_pieces(s, piece);
        EXPECT_TRUE(r.complete()) << piece;
        EXPECT_EQ(r.rows(), 70000u);
        EXPECT_TRUE(r.missing());
        EXPECT_EQ(r.failure(), "");
    }
    for (std::size_t cut = 0; cut < s.size(); ++cut) {
        EXPECT_FALSE(read_in_pieces(s.substr(0, cut), 1).complete()) << cut;
    }
    EXPECT_FALSE(read_in_pieces(s + "Z", 1).complete());
    std::mt19937 rng(5300);
    for (int round = 0; round < 300; ++round) {
        std::string bad = s;
        bad[rng() % (bad.size() - 1)] = static_cast<char>(rng());
        const JetWireReader r = read_in_pieces(bad, 7);
        EXPECT_TRUE(!r.complete() || (r.missing() && r.failure().empty())) << round;
    }
}

// A child that gives up says why; one that ends without its end mark reports no success.
TEST(JetWire, FailureOrNoEndMarkIsNoSuccess) {
    for (const bool fails : {true, false}) {
        const std::string s = written([&](JetWireWriter& w) {
            w.rows_written(1);
            if (fails) w.failure("資料列格式不正確");
        });
        const JetWireReader r = read_in_pieces(s, 2);
        EXPECT_FALSE(r.complete());
        EXPECT_EQ(r.rows(), 1u);
        EXPECT_EQ(r.failure() == "資料列格式不正確", fails);
    }
}

}  // namespace
}  // namespace zol
