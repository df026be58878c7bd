// zol5300: report runs, sample databases, SQL through the data layer and the set-up of a
// package folder, without a window.
#include <cstdio>
#include <exception>
#include <string>

#include "app/zol5300/commands.h"

namespace {

void usage() {
    std::fputs(
        "usage:\n"
        "  zol5300 report BASE [options]        one report run (see README)\n"
        "  zol5300 sampledb BASE [--students N] [--seed S]\n"
        "  zol5300 sql DBFILE [--translate] \"SQL\"\n"
        "  zol5300 setup BASE [--sample] [--args \"a/b/c\"]\n"
        "  zol5300 find BASE TEXT               the lines of the last report that hold TEXT\n"
        "  zol5300 --version\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        usage();
        return 2;
    }
    const std::string cmd = argv[1];
    if (cmd == "--version") {
        std::printf("zol5300 %s\n", ZOL_VERSION);
        return 0;
    }
    const zol::app::Args args(argv + 2, argv + argc);
    try {
        if (cmd == "report") return zol::app::cmd_report(args);
        if (cmd == "sampledb") return zol::app::cmd_sampledb(args);
        if (cmd == "sql") return zol::app::cmd_sql(args);
        if (cmd == "setup") return zol::app::cmd_setup(args);
        if (cmd == "find") return zol::app::cmd_find(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zol5300 %s: %s\n", cmd.c_str(), e.what());
        return 4;
    }
    usage();
    return 2;
}
