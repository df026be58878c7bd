// zol5300 sql DBFILE [--translate] [--no-cache] "SQL": one Access-dialect statement
// through the data layer, its rows printed as the program sees them.
#include <cstdio>
#include <string>

#include "app/zol5300/commands.h"
#include "app/zol5300/usage.h"
#include "core/date.h"
#include "data/database.h"
#include "data/db_error.h"
#include "data/translate.h"

namespace zol::app {

namespace {

std::string cell_text(const Value& v) {
    if (v.is_null()) return "NULL";
    return v.text();  // dates as yyyy-mm-dd[ hh:mm:ss], reals in their shortest form
}

}  // namespace

int cmd_sql(const Args& args) {
    bool translate_only = false;
    bool no_cache = false;
    std::vector<std::string> rest;
    for (const auto& a : args) {
        if (a == "--translate") {
            translate_only = true;
        } else if (a == "--no-cache") {
            no_cache = true;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() != 2) {
        print_usage("sql", stderr);
        return kExitRefused;
    }
    try {
        if (translate_only) {
            std::printf("%s\n", translate_access_sql(rest[1]).c_str());
            return kExitDone;
        }
        DataOptions options;
        options.use_cache = !no_cache;
        options.notice = [](const std::string& text) {
            std::fprintf(stderr, "%s\n", text.c_str());
        };
        auto db = open_database(rest[0], {}, options);
        ResultSet rs = db->query(rest[1]);
        std::string out;
        for (; !rs.eof(); rs.move_next()) {
            for (std::size_t i = 0; i < rs.columns().size(); ++i) {
                if (i > 0) out += '\t';
                out += cell_text(rs.field(i));
            }
            out += '\n';
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        return kExitDone;
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitFailed;
    }
}

}  // namespace zol::app
