#include "print/printer_device.h"

#include <QPrinterInfo>
#include <algorithm>

#include "print/pdf_device.h"
#include "print/print_error.h"

namespace zol::print {
namespace {

QString paper_text(const QPageSize& size) {
    if (size.id() == QPageSize::A5) return QStringLiteral("A5");
    if (size.id() == QPageSize::JisB5) return QStringLiteral("B5");
    return QStringLiteral("A4");
}

bool has_paper(const QPrinterInfo& info, const QPageSize& size) {
    if (info.supportsCustomPageSizes()) return true;
    const auto sizes = info.supportedPageSizes();
    return std::any_of(sizes.begin(), sizes.end(),
                       [&](const QPageSize& s) { return s.isEquivalentTo(size); });
}

}  // namespace

QString check_default_printer(const QString& queue) {
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        throw PrintError("找不到印表機：系統沒有安裝印表機，或列印服務無法連線。");
    const QPrinterInfo info =
        queue.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(queue);
    if (info.isNull())
        throw PrintError(queue.isEmpty() ? std::string("系統沒有設定預設印表機。")
                                         : "找不到印表機 " + queue.toStdString() + "。");
    if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted)
        throw PrintError(QStringLiteral("印表機 %1 已停止或發生錯誤，無法接受列印工作。")
                             .arg(info.printerName())
                             .toStdString());
    return info.printerName();
}

PrinterDevice::PrinterDevice(QString job_title, QString queue)
    : title_(std::move(job_title)), queue_(std::move(queue)) {}

PrinterDevice::~PrinterDevice() {
    close_unfinished();
}

PainterDevice::Sheet PrinterDevice::prepare(const QPageLayout& wanted) {
    const QString name = check_default_printer(queue_);
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPrinterName(name);
    printer_->setDocName(title_);
    // Whole device pixels per point at every font size of the report (see PdfDevice).
    if (printer_->resolution() < PdfDevice::kResolution)
        printer_->setResolution(PdfDevice::kResolution);
    const QPageSize size = wanted.pageSize();
    const QPageLayout::Orientation orientation = wanted.orientation();
    const QString turn =
        orientation == QPageLayout::Landscape ? QStringLiteral("橫向") : QStringLiteral("直向");
    constexpr const char* kCannotTurn =
        "預設印表機 %1 無法%3列印 %2 紙張，無法列印這份報表；沒有印出任何一頁。";
    auto refuse = [&](const char* why) {
        throw PrintError(QString::fromUtf8(why).arg(name, paper_text(size), turn).toStdString());
    };
    if (!has_paper(QPrinterInfo(*printer_), size) || !printer_->setPageSize(size) ||
        !printer_->pageLayout().pageSize().isEquivalentTo(size))
        refuse("預設印表機 %1 沒有 %2 紙張，無法列印這份報表；沒有印出任何一頁。");

    // The unprintable border as the printer's description gives it, for the upright sheet.
    if (!printer_->setPageOrientation(QPageLayout::Portrait)) refuse(kCannotTurn);
    QPageLayout upright = printer_->pageLayout();
    upright.setUnits(QPageLayout::Point);
    const QMarginsF border = upright.minimumMargins();
    QMarginsF margins = border;
    if (orientation == QPageLayout::Landscape) {
        // On the turned sheet the upright top and bottom border lie left and right. The turn
        // is clockwise on some printers and counter-clockwise on others, so each side takes
        // the larger of the two borders it can be.
        const double sides = std::max(border.top(), border.bottom());
        const double ends = std::max(border.left(), border.right());
        margins = QMarginsF(sides, ends, sides, ends);
    }
    if (!printer_->setPageOrientation(orientation) ||
        printer_->pageLayout().orientation() != orientation)
        refuse(kCannotTurn);
    // Qt keeps the upright border's numbers for a turned sheet, so the painter starts at the
    // sheet's corner and the printable area is placed by the margins worked out above.
    printer_->setFullPage(true);
    if (!printer_->setPageMargins(margins, QPageLayout::Point))
        refuse("預設印表機 %1 不接受 %2 紙張的列印邊界，無法列印這份報表；沒有印出任何一頁。");
    const QPageLayout layout = printer_->pageLayout();
    if (layout.orientation() != orientation || !layout.pageSize().isEquivalentTo(size))
        refuse(kCannotTurn);
    return {layout, layout.fullRect(QPageLayout::Point).marginsRemoved(margins)};
}

QPagedPaintDevice& PrinterDevice::open_device(const Sheet&) {
    check_default_printer(queue_);
    return *printer_;
}

void PrinterDevice::job_done() {
    if (printer_->printerState() == QPrinter::Error) throw PrintError("印表機拒絕了列印工作。");
}

void PrinterDevice::abandon() {
    if (printer_) printer_->abort();
}

DeviceFactory printer_device_factory(const QString& job_title, const QString& queue) {
    return [job_title, queue]() -> std::unique_ptr<PrintDevice> {
        return std::make_unique<PrinterDevice>(job_title, queue);
    };
}

}  // namespace zol::print
