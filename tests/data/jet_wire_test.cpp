// The child-to-parent table stream: what goes in comes out, and a cut or garbled stream
// is never taken for a complete one.
#include "data/jet/jet_wire.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace zol {
namespace {

// Records what a parse delivered, cells as printable text.
struct Recorder : JetTableSink {
    void begin_table(std::string_view name, const std::vector<JetColumnDef>& cols) override {
        std::string line = "T " + std::string(name);
        for (const auto& c : cols) line += " " + c.name + ":" + c.declared_type;
        events.push_back(line);
    }
    void row(const std::vector<JetCell>& cells) override {
        std::string line = "R";
        for (const auto& c : cells) {
            using K = JetCellKind;
            line += c.kind == K::null      ? " null"
                    : c.kind == K::integer ? " i" + std::to_string(c.integer)
                    : c.kind == K::real    ? " r" + std::to_string(c.real)
                    : c.kind == K::text    ? " t[" + std::string(c.bytes) + "]"
                                           : " b" + std::to_string(c.bytes.size());
        }
        events.push_back(line);
    }
    void end_table() override { events.push_back("E"); }
    void missing_table(std::string_view name) override {
        events.push_back("M " + std::string(name));
    }
    std::vector<std::string> events;
};

// Runs `write` against a writer on a temporary file and returns all bytes written.
template <typename F>
std::string written(F write) {
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    {
        JetWireWriter w(::fileno(f));
        write(w);
        w.flush();
    }
    std::rewind(f);
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
    return out;
}

std::string sample_stream() {
    return written([](JetWireWriter& w) {
        w.begin_table("Table1",
                      {{"A", "TEXT"}, {"H", "CURRENCY"}, {"G", "DATETIME"}, {"O", "BLOB"}});
        w.begin_row();
        w.text_cell("學生姓名");
        w.real_cell(3.5);
        w.text_cell("2006-03-15");
        w.blob_cell(std::string(70000, '\x01'));  // larger than the writer's buffer
        w.begin_row();
        w.null_cell();
        w.integer_cell(-1);
        w.null_cell();
        w.blob_cell("");
        w.end_table();
        w.missing_table("NoSuch");
        w.done();
    });
}

TEST(JetWire, RoundTrip) {
    Recorder r;
    const JetWireOutcome out = parse_jet_wire(sample_stream(), r);
    EXPECT_TRUE(out.complete);
    EXPECT_EQ(out.failure, "");
    const std::vector<std::string> expected = {
        "T Table1 A:TEXT H:CURRENCY G:DATETIME O:BLOB",
        "R t[學生姓名] r3.500000 t[2006-03-15] b70000",
        "R null i-1 null b0",
        "E",
        "M NoSuch",
    };
    EXPECT_EQ(r.events, expected);
}

// Every cut is incomplete; a garbled stream taken as complete never ends inside a table.
TEST(JetWire, CutOrGarbledStreams) {
    const std::string s = sample_stream();
    for (std::size_t cut = 0; cut < s.size(); cut += (cut < 200 ? 1 : 997)) {
        Recorder r;
        EXPECT_FALSE(parse_jet_wire(std::string_view(s).substr(0, cut), r).complete) << cut;
    }
    std::mt19937 rng(5300);
    for (int round = 0; round < 300; ++round) {
        std::string bad = s.substr(0, 200) + s.substr(s.size() - 60);
        for (int k = 0; k < 4; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
        Recorder r;
        const bool complete = parse_jet_wire(bad, r).complete;
        EXPECT_TRUE(!complete || r.events.empty() || r.events.back() == "E" ||
                    r.events.back()[0] == 'M');
    }
}

// A child that gives up mid-table, or ends with a table still open, reports no success.
TEST(JetWire, FailureOrATableLeftOpenIsNoSuccess) {
    for (const bool fails : {true, false}) {
        const std::string s = written([&](JetWireWriter& w) {
            w.begin_table("T", {{"a", "INTEGER"}});
            w.begin_row();
            w.integer_cell(1);
            fails ? w.failure("資料列格式不正確") : w.done();
        });
        Recorder r;
        const JetWireOutcome out = parse_jet_wire(s, r);
        EXPECT_FALSE(out.complete);
        EXPECT_EQ(out.failure == "資料列格式不正確", fails);
    }
}

}  // namespace
}  // namespace zol
