// The Jet file reader on mutated files: a clear error or rows, never a crash.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "data/database.h"
#include "data/db_error.h"
#include "data/jet/jet_database.h"
#include "data/jet/jet_reader_children.h"
#include "fuzz/targets/targets.h"

namespace zol::fuzz {

int jet(const std::uint8_t* data, std::size_t size) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string path =
        std::string(tmp ? tmp : "/tmp") + "/zol-fuzz-jet-" + std::to_string(getpid()) + ".mdb";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        // A reader stuck in a damaged file is given up after its idle limit; the program's
        // limit is long for big files, a short one keeps the fuzzer moving.
        JetReadLimits limits;
        limits.idle_timeout = std::chrono::milliseconds(1500);
        limits.total_timeout = std::chrono::milliseconds(8000);
        auto db = open_jet_database(path, "", limits);
        // The system catalogue is in every Jet file; a user table in most of the seeds.
        for (const char* sql : {"select * from MSysObjects", "select * from Table1"}) {
            try {
                (void)db->query(sql);
            } catch (const DbError&) {
            }
        }
    } catch (const DbError&) {
    }
    std::remove(path.c_str());
    return 0;
}

}  // namespace zol::fuzz
