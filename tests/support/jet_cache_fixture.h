// A test of the Jet reading with a cache folder of its own and a private copy of the sample
// Jet file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "data/database.h"
#include "data/jet/jet_reads.h"
#include "support/jet_files.h"

namespace zol::test {

inline constexpr const char* kJetQuery =
    "select count(*), sum(ItemAmt), max(Tranday) from Zol9_Payitem where Itemid > 1";

class JetCache : public ::testing::Test {
  public:
    void SetUp() override {
        old_home_ = std::getenv("XDG_CACHE_HOME");
        setenv("XDG_CACHE_HOME", (dir_ / "cache" / "a#b%c?d").c_str(), 1);  // any name will do
        fs::copy_file(sample_jet(), jet_);
    }
    void TearDown() override {
        setenv("XDG_CACHE_HOME", old_home_.c_str(), 1);
        fs::remove_all(dir_);
    }

    // Runs the query on a fresh opening; `reads` counts the tables it read from the Jet
    // file. `while_reading` runs once, while the first of them are read.
    std::string run(int& reads, bool use_cache = true,
                    const std::function<void()>& while_reading = {}) {
        const auto counted = std::make_shared<JetReads>();
        bool reading = false;
        DataOptions options{use_cache,
                            [&](const Progress&) {
                                if (reading || counted->tables_read() == 0) return;
                                reading = true;
                                if (while_reading) while_reading();
                            },
                            [this](const std::string& n) { notices_.push_back(n); }, counted};
        reads = 0;
        ResultSet rs = open_database(jet_.string(), "", options)->query(kJetQuery);
        reads = static_cast<int>(counted->tables_read());
        return rs.field(0).text() + "|" + rs.field(1).text() + "|" + rs.field(2).text();
    }
    // The truth: the file read afresh.
    std::string fresh() {
        int reads = 0;
        return run(reads, false);
    }
    std::vector<fs::path> copies() const {
        std::vector<fs::path> out;
        if (!fs::exists(dir_ / "cache")) return out;
        for (const auto& e : fs::recursive_directory_iterator(dir_ / "cache")) {
            if (e.path().extension() == ".sqlite") out.push_back(e.path());
        }
        return out;
    }
    fs::path dir_ = make_temp_dir("zol_jet_cache_");
    fs::path jet_ = dir_ / "ZOL.mdb";
    std::string old_home_;
    std::vector<std::string> notices_;
};

}  // namespace zol::test
