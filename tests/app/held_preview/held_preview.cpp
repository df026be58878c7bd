// A clerk's preview that stays open while other runs go on, for tests/app/clerks_test.cpp.
//
//   zol_held_preview BASE TRANDAY DIR
//
// Makes the report of TRANDAY on BASE and opens the preview on it, then writes DIR/ready and
// waits (at most a minute) for DIR/go. Then it uses the preview as the clerk would: every page
// shown (DIR/pages.txt, pages parted by a form feed), the find of the text in DIR/needle
// (DIR/found.txt: the page it turned to and what it selected), 列印 on a PDF printer
// (DIR/print.pdf), PDF (DIR/export.pdf) and Excel (DIR/export.xlsx), and what the window said
// (DIR/said.txt), and last DIR/done. Exits 0 once all is written, 3 when the run wrote no report, 4
// on no go.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "print/pdf_device.h"
#include "print/print_fonts.h"
#include "support/preview_run.h"
#include "ui/preview_find.h"

namespace {

namespace fs = std::filesystem;

bool wait_for(const fs::path& file) {
    for (int i = 0; i < 600 && !fs::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return fs::exists(file);
}

void write_text(const fs::path& file, const QString& text) {
    std::ofstream(file, std::ios::binary) << text.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BASE TRANDAY DIR\n", argv[0]);
        return 2;
    }
    const fs::path dir = argv[3];
    QApplication app(argc, argv);
    zol::install_font_substitutions();

    QString said;
    zol::PreviewHooks hooks;
    hooks.message = hooks.error = [&](const QString& t) { said += t + '\n'; };
    hooks.pdf_file_name = [&] { return QString::fromStdString((dir / "export.pdf").string()); };
    hooks.xlsx_file_name = [&] { return QString::fromStdString((dir / "export.xlsx").string()); };
    hooks.printer =
        zol::print::pdf_device_factory(QString::fromStdString((dir / "print.pdf").string()));
    const zol::test::PreviewRun run(argv[1], argv[2], hooks);
    zol::PREPRINT* w = run.window();
    if (!w) return 3;
    QApplication::processEvents();
    write_text(dir / "ready", {});
    if (!wait_for(dir / "go")) return 4;

    QString pages;
    w->CMD_FIRSTPAGE_Click();
    for (int page = 1, total = w->lbl_totpage()->text().trimmed().toInt(); page <= total; ++page) {
        if (page > 1) w->CMD_NEXTPAGE_Click();
        pages += w->preprint_text()->toPlainText() + '\f';
    }
    write_text(dir / "pages.txt", pages);

    std::ifstream needle_file(dir / "needle", std::ios::binary);
    const std::string needle{std::istreambuf_iterator<char>(needle_file), {}};
    w->CMD_FIRSTPAGE_Click();
    zol::PreviewFind* find = w->find_band();
    find->open();
    find->field()->setText(QString::fromStdString(needle));
    find->find(zol::FindDirection::next);
    while (find->searching()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    write_text(dir / "found.txt", w->lab_nowspage()->text() + '\n' +
                                      w->preprint_text()->textCursor().selectedText() + '\n' +
                                      find->status()->text() + '\n');

    w->CMD_PRINT_Click();
    w->CMD_PDF_Click();
    w->CMD_EXCEL_Click();
    write_text(dir / "said.txt", said);
    write_text(dir / "done", {});
    return 0;
}
