// The Jet file reader on mutated files: a clear error or rows, never a crash.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "data/database.h"
#include "data/db_error.h"
#include "data/jet_database.h"
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
        auto db = open_database(path);
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
