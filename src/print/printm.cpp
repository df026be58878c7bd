#include "print/printm.h"

#include <QCoreApplication>
#include <QString>
#include <optional>

#include "core/big5.h"
#include "core/numbers.h"
#include "core/package_path.h"
#include "print/page_extent.h"
#include "print/print_error.h"
#include "print/print_fonts.h"
#include "print/report_picture.h"
#include "report/big5_reader.h"
#include "report/report_file.h"

namespace zol::print {
namespace {

// Characters from..from+count-1 (0-based) of Big5 bytes, a double-byte character counting
// as one.
std::string_view big5_chars(std::string_view s, std::size_t from, std::size_t count) {
    std::size_t i = 0, n = 0, begin = s.size();
    while (i < s.size() && n < from + count) {
        if (n == from) begin = i;
        const bool pair = is_big5_lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() &&
                          is_big5_trail(static_cast<unsigned char>(s[i + 1]));
        i += pair ? 2 : 1;
        ++n;
    }
    return begin >= s.size() ? std::string_view{} : s.substr(begin, i - begin);
}

void append_char(std::string& line, unsigned c) {
    if (c > 0xFF) line.push_back(static_cast<char>(c >> 8));
    line.push_back(static_cast<char>(c & 0xFF));
}

// Reads the report file to its end, handing the lines of the pages in the range to
// print_line.
void print_lines(PrintState& state, Big5Reader& reader, PrintDevice& device) {
    int page = 0;
    bool printed = false;
    std::string line;
    auto start_page = [&] {
        ++page;
        printed = state.print_from <= page && page <= state.print_to;
    };
    start_page();
    while (!reader.at_end()) {
        const unsigned c = reader.get();
        append_char(line, c);
        if (c != '\n') continue;
        if (printed) print_line(state, device, line);
        const bool page_end = line_control(line).kind == LineKind::PageEnd;
        line.clear();
        if (page_end) start_page();
    }
}

}  // namespace

int paper_code(std::string_view paper_name) {
    if (paper_name == "A5") return kPaperA5;
    if (paper_name == "B5") return kPaperB5;
    return kPaperA4;
}

void print_report(PrintState& state, std::string_view base_path, std::string_view file_name,
                  std::int32_t total_pages, std::string_view paper_name, std::int32_t first_page,
                  std::int16_t orientation, const DeviceFactory& make_device) {
    state.orientation = orientation;
    state.paper_name = std::string(paper_name);
    state.total_pages = total_pages;
    state.report_path = handed_over_text(base_path, file_name);
    state.print_from = first_page;
    state.print_to = total_pages;
    print_pages(state, make_device);
}

void print_pages(PrintState& state, const DeviceFactory& make_device) {
    std::optional<HeldReport> report;
    try {
        report.emplace(resolve_handed_over(state.report_path));
    } catch (const ReportError& e) {
        throw PrintError(e.what());
    }
    print_pages(state, *report, make_device);
}

void print_pages(PrintState& state, const HeldReport& report, const DeviceFactory& make_device) {
    try {
        Big5Reader reader(report);
        if (QCoreApplication::instance()) QCoreApplication::processEvents();
        std::unique_ptr<PrintDevice> device = make_device();
        setup_printer(state, *device);
        if (const auto area = device->printable_area()) {
            // A page larger than the printable area is scaled down, never cut: one scale for
            // every sheet of the job, from its widest line and its longest page.
            PrintState probe_state = state;
            PageExtent probe;
            setup_printer(probe_state, probe);
            Big5Reader probe_reader(report);
            print_lines(probe_state, probe_reader, probe);
            device->set_scale(fit_scale(probe.size(), *area));
        }
        print_lines(state, reader, *device);
        device->end();
    } catch (const ReportError& e) {
        throw PrintError(e.what());
    } catch (const OverflowError&) {
        throw PrintError("溢位：列印位置超出範圍。");
    }
}

void setup_printer(PrintState& state, PrintDevice& device) {
    device.begin(paper_code(state.paper_name), state.orientation);
    device.set_font_name(QString::fromUtf8(kMingFont));
    state.line_pullback = 0;
}

void print_line(PrintState& state, PrintDevice& device, std::string_view line) {
    const LineControl c = line_control(line);
    switch (c.kind) {
        case LineKind::FontSize:
            device.set_font_size(c.font_size);
            break;
        case LineKind::BoldOn:
        case LineKind::BoldOff:
            device.set_bold(c.kind == LineKind::BoldOn);
            break;
        case LineKind::PageEnd:
            device.new_page();
            break;
        case LineKind::Spacing:
            // The three characters after the code and its "1".
            state.line_pullback = to_int16(round_half_even(leading_number(big5_chars(line, 3, 3))));
            break;
        case LineKind::Picture:
            state.saved_y = to_int16(round_half_even(device.y()));
            print_picture(device);
            device.set_y(state.saved_y);
            break;
        case LineKind::Layout:
            device.set_layout_value(200);
            break;
        case LineKind::Text:
            device.print_text(QString::fromStdString(from_big5(line)));
            device.set_y(device.y() - state.line_pullback);
            break;
    }
}

void print_picture(PrintDevice& device) {
    device.draw_picture(report_picture(), QRectF(8700, 1000, 2000, 2250));
}

}  // namespace zol::print
