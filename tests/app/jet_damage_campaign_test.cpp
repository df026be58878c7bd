// Damaged copies of the sample package's Jet file, drawn at random by kind of damage, each
// read by `zol5300 report` with a fresh cache for four filter sets: every run ends with the
// report of the undamaged file, or with exit 4, a message and the previous report kept. A
// different report is what must never happen.
//
// ZOL_DAMAGE_SEED repeats a sample (the seed is logged); ZOL_DAMAGE_COPIES sets the copies per
// kind (default 20); ZOL_DAMAGE_VALUES=1 adds changed amounts inside rows and random bytes
// anywhere, which no structure check can see where they fall inside rows, and only counts
// what those give.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>

#include "support/jet_files.h"
#include "support/run_capture.h"

namespace zol::test {
namespace {

using Args = std::vector<std::string>;
using Rng = std::mt19937_64;
constexpr std::size_t kPage = 4096;

unsigned u16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
void put16(std::string& b, std::size_t at, unsigned v) {
    b[at] = static_cast<char>(v & 0xff);
    b[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
std::size_t pick(Rng& rng, std::size_t from, std::size_t to) {  // from..to, both included
    return std::uniform_int_distribution<std::size_t>(from, to)(rng);
}

// Which bytes of the file lie inside the live rows of data pages.
std::vector<bool> row_bytes(const std::string& file) {
    std::vector<bool> in_row(file.size());
    for (std::size_t p = 1; p < file.size() / kPage; ++p) {
        const std::size_t at = p * kPage;
        if (file[at] != 0x01) continue;
        std::size_t end = kPage;
        for (unsigned row = 0, rows = u16(file, at + 12); row < rows && 14 + 2 * row < kPage;
             ++row) {
            const unsigned raw = u16(file, at + 14 + 2 * row);
            const std::size_t start = raw & 0x1fff;
            if ((raw & 0xc000) != 0xc000)
                for (std::size_t i = start; i < end && i < kPage; ++i) in_row[at + i] = true;
            end = std::min(end, start);
        }
    }
    return in_row;
}

// Where the payment table lies in the sample: its definition page (the one that names the
// column flow_number) and the data pages that belong to it.
struct PaymentPages {
    std::size_t definition = 0;
    std::vector<std::size_t> data;
    std::vector<bool> in_row;  // the bytes inside the live rows of any table
    explicit PaymentPages(const std::string& file) : in_row(row_bytes(file)) {
        const std::string name("f\0l\0o\0w\0_\0n\0u\0m\0b\0e\0r\0", 22);
        for (std::size_t p = 1; p < file.size() / kPage; ++p) {
            const std::string_view page(file.data() + p * kPage, kPage);
            if (page[0] == 0x02 && page.find(name) != page.npos) definition = p;
        }
        for (std::size_t p = 1; p < file.size() / kPage; ++p) {
            if (file[p * kPage] == 0x01 && u16(file, p * kPage + 4) == definition &&
                u16(file, p * kPage + 6) == 0)
                data.push_back(p);
        }
    }
};

using Damage = std::function<void(std::string&, Rng&)>;

std::map<std::string, Damage> damages(const PaymentPages& pay) {
    const auto data_page = [&pay](Rng& rng) {
        return pay.data[pick(rng, 0, pay.data.size() - 1)] * kPage;
    };
    std::map<std::string, Damage> d;
    d["1 zeroed data page"] = [=](std::string& f, Rng& rng) {
        std::memset(f.data() + data_page(rng), 0, kPage);
    };
    d["2 data page structure"] = [=](std::string& f, Rng& rng) {
        const std::size_t at = data_page(rng);
        const unsigned rows = u16(f, at + 12);
        const std::size_t slot = at + 14 + 2 * pick(rng, 0, rows - 1);
        switch (pick(rng, 0, 6)) {
            case 0:  // fewer rows
                put16(f, at + 12, static_cast<unsigned>(pick(rng, 0, rows - 1)));
                break;
            case 1:  // more rows
                put16(f, at + 12, static_cast<unsigned>(rows + pick(rng, 1, 40)));
                break;
            case 2:  // a deleted, moved or moved-here flag
                put16(f, slot, u16(f, slot) ^ (static_cast<unsigned>(pick(rng, 1, 3)) << 14));
                break;
            case 3:  // past the page
                put16(f, slot,
                      (u16(f, slot) & 0xe000) | static_cast<unsigned>(pick(rng, 4097, 0x1fff)));
                break;
            case 4:  // overlapping its neighbours
                put16(f, slot, u16(f, slot) + static_cast<unsigned>(pick(rng, 1, 200)));
                break;
            case 5:
                put16(f, slot, u16(f, slot) - static_cast<unsigned>(pick(rng, 1, 200)));
                break;
            default:  // another owner
                put16(f, at + 4, static_cast<unsigned>(pick(rng, 1, f.size() / kPage - 1)));
                break;
        }
    };
    d["3 definition page"] = [=](std::string& f, Rng& rng) {
        const std::size_t at = pay.definition * kPage;
        switch (pick(rng, 0, 2)) {
            case 0:  // row count
                put16(f, at + 16,
                      u16(f, at + 16) + static_cast<unsigned>(pick(rng, 1, 100)) *
                                            (pick(rng, 0, 1) ? 1u : 0xffffu));
                break;
            case 1:  // column counts
                put16(f, at + pick(rng, 0, 1) * 2 + 43, static_cast<unsigned>(pick(rng, 0, 30)));
                break;
            default:  // the column entries: kinds, numbers, offsets, sizes
                f[at + 63 + pick(rng, 0, 14 * 25 - 1)] = static_cast<char>(pick(rng, 0, 255));
                break;
        }
    };
    d["4 cut short"] = [](std::string& f, Rng& rng) {
        const std::size_t pages = f.size() / kPage;
        f.resize(pick(rng, 0, 1) ? pick(rng, pages / 2, pages - 1) * kPage
                                 : pick(rng, kPage * 3, f.size() - 1));
    };
    d["5 random bytes outside rows"] = [&pay](std::string& f, Rng& rng) {
        for (std::size_t n = pick(rng, 1, 8); n > 0;) {
            const std::size_t at = pick(rng, kPage, f.size() - 1);
            if (pay.in_row[at]) continue;
            f[at] = static_cast<char>(pick(rng, 0, 255));
            --n;
        }
    };
    if (const char* v = std::getenv("ZOL_DAMAGE_VALUES"); v && std::string(v) == "1") {
        d["6 amount inside a row"] = [=](std::string& f, Rng& rng) {
            const std::size_t at = data_page(rng);
            const std::size_t slot = at + 14 + 2 * pick(rng, 0, u16(f, at + 12) - 1);
            f[at + (u16(f, slot) & 0x1fff) + pick(rng, 2, 20)] ^=
                static_cast<char>(pick(rng, 1, 255));
        };
        d["7 random bytes anywhere"] = [](std::string& f, Rng& rng) {
            for (std::size_t n = pick(rng, 1, 8); n > 0; --n)
                f[pick(rng, kPage, f.size() - 1)] = static_cast<char>(pick(rng, 0, 255));
        };
    }
    return d;
}

const Args kFilters[] = {
    {"--tranday", "113/09/10"},
    {"--tranday", "113/09/10", "--tranday2", "115/02/24"},
    {"--tranday", "114/09/10", "--groups", "2"},
    {"--tranday", "114/10/15", "--groups", "3", "--merged"},
};

struct Counts {
    int runs = 0, right = 0, refused = 0, wrong = 0;
};

TEST(JetDamageCampaign, EachRunGivesTheRightReportOrRefuses) {
    const char* seed_env = std::getenv("ZOL_DAMAGE_SEED");
    const std::uint64_t seed = seed_env ? std::strtoull(seed_env, nullptr, 10) : 3400;
    const char* copies_env = std::getenv("ZOL_DAMAGE_COPIES");
    const int copies = copies_env ? std::atoi(copies_env) : 20;
    std::printf("damage seed %llu, %d copies per kind\n", static_cast<unsigned long long>(seed),
                copies);

    const std::string good = read_file(sample_jet());
    const PaymentPages pay(good);
    ASSERT_NE(pay.definition, 0u);
    ASSERT_GT(pay.data.size(), 10u);
    const TempDir dir("zol_damage_");
    const auto report = [&](const fs::path& base, const Args& filters, const fs::path& cache) {
        Args argv{"env",         "XDG_CACHE_HOME=" + cache.string(), zol5300_bin(), "report",
                  base.string(), "--print-date=2025-03-07"};
        argv.insert(argv.end(), filters.begin(), filters.end());
        return run_program(argv);
    };
    const auto package = [&](const std::string& name, const std::string& bytes) {
        const fs::path at = dir / name;
        fs::create_directories(at / "mdb");
        fs::create_directories(at / "rpt");
        write_file(at / "mdb/ZOL.mdb", bytes);
        return at;
    };
    const fs::path sound = package("sound", good);

    // Every copy written first, so that the wait for their times to settle comes once.
    struct Copy {
        std::string kind;
        fs::path base;
        bool values;          // a changed byte lies inside a row: what no structure check can see
        std::string changes;  // where it differs from the sound file, to tell in a failure
    };
    std::vector<Copy> copies_made;
    int n = 0;
    for (const auto& [kind, damage] : damages(pay)) {
        for (int copy = 0; copy < copies; ++copy, ++n) {
            Rng rng(seed * 1000003 + static_cast<std::uint64_t>(n));
            std::string bad = good;
            damage(bad, rng);
            bool values = kind.starts_with("6");
            for (std::size_t i = 0; kind.starts_with("7") && i < bad.size(); ++i)
                values = values || (bad[i] != good[i] && pay.in_row[i]);
            std::string changes = "size " + std::to_string(bad.size());
            for (std::size_t i = 0, shown = 0; i < bad.size() && shown < 8; ++i) {
                if (bad[i] == good[i]) continue;
                changes += ", page " + std::to_string(i / kPage) + " byte " +
                           std::to_string(i % kPage) + " " +
                           std::to_string(static_cast<unsigned char>(good[i])) + "→" +
                           std::to_string(static_cast<unsigned char>(bad[i]));
                ++shown;
            }
            copies_made.push_back({values ? kind + " (in rows)" : kind,
                                   package(std::to_string(n), bad), values, changes});
        }
    }
    wait_until_settled();
    std::vector<std::string> expected;
    for (const Args& f : kFilters) {
        const RunOutput r = report(sound, f, dir / "cache-sound");
        ASSERT_EQ(r.code, 0) << r.err;
        expected.push_back(read_file(sound / "rpt/rep_5300.TXT"));
    }

    std::map<std::string, Counts> counts;
    const std::string previous = "the previous report\r\n";
    for (const Copy& copy : copies_made) {
        const fs::path cache = copy.base / "cache";
        bool refused = false;
        std::string said;
        for (std::size_t f = 0; f < std::size(kFilters); ++f) {
            write_file(copy.base / "rpt/rep_5300.TXT", previous);
            const RunOutput r = report(copy.base, kFilters[f], cache);
            const std::string written = read_file(copy.base / "rpt/rep_5300.TXT");
            Counts& c = counts[copy.kind];
            ++c.runs;
            refused = r.code == 4 && written == previous && r.err.find("資料庫") != r.err.npos;
            said = r.err;
            if (r.code == 0 && written == expected[f]) {
                ++c.right;
            } else if (refused) {
                ++c.refused;
            } else {
                ++c.wrong;
                if (!copy.values)
                    ADD_FAILURE() << copy.kind << ", " << copy.base << " (ZOL_DAMAGE_SEED=" << seed
                                  << "; " << copy.changes << "), filters " << f << ": exit "
                                  << r.code << " " << r.err;
            }
        }
        // Nothing of a state that failed to read is kept for the next run. (A definition that
        // reads but names a column otherwise fails later, in the statement.)
        for (const auto& e : fs::exists(cache) ? fs::recursive_directory_iterator(cache)
                                               : fs::recursive_directory_iterator())
            EXPECT_FALSE(refused && said.find("損毀") != said.npos &&
                         e.path().extension() == ".sqlite")
                << e.path() << " kept after " << said << " (" << copy.changes << ")";
    }
    std::printf("%-24s %5s %6s %8s %6s\n", "damage", "runs", "right", "refused", "wrong");
    for (const auto& [kind, c] : counts)
        std::printf("%-24s %5d %6d %8d %6d\n", kind.c_str(), c.runs, c.right, c.refused, c.wrong);
}

}  // namespace
}  // namespace zol::test
