// The report file reader on arbitrary bytes: both screen filters and the page fetch
// must stop cleanly at the end of the file.
#include "report/report_reader.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz/targets/targets.h"
#include "report/report_file.h"
#include "report/text_sink.h"

namespace zol::fuzz {

int report_reader(const std::uint8_t* data, std::size_t size) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string path =
        std::string(tmp ? tmp : "/tmp") + "/zol-fuzz-rpt-" + std::to_string(getpid()) + ".txt";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    StringSink sink;
    read_first_page(path, sink);
    for (int page : {-1, 0, 1, 2, 3, 7, 32767}) {
        show_page(path, page, sink);
        if (!sink.visible()) std::abort();  // the text box must be shown again
    }
    std::remove(path.c_str());
    return 0;
}

}  // namespace zol::fuzz
