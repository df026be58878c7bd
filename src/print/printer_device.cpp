#include "print/printer_device.h"

#include <QPrinterInfo>

#include "print/pdf_device.h"
#include "print/print_error.h"

namespace zol::print {

QString check_default_printer() {
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        throw PrintError("找不到印表機：系統沒有安裝印表機，或列印服務無法連線。");
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) throw PrintError("系統沒有設定預設印表機。");
    if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted)
        throw PrintError(QStringLiteral("印表機 %1 已停止或發生錯誤，無法接受列印工作。")
                             .arg(info.printerName())
                             .toStdString());
    return info.printerName();
}

PrinterDevice::PrinterDevice(QString job_title) : title_(std::move(job_title)) {}

PrinterDevice::~PrinterDevice() {
    close_unfinished();
}

void PrinterDevice::begin(int paper_code, int orientation) {
    check_default_printer();
    PainterDevice::begin(paper_code, orientation);
}

QPagedPaintDevice& PrinterDevice::open_device(const QPageLayout& layout) {
    const QString name = check_default_printer();
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setPrinterName(name);
    printer_->setDocName(title_);
    // Whole device pixels per point at every font size of the report (see PdfDevice).
    if (printer_->resolution() < PdfDevice::kResolution)
        printer_->setResolution(PdfDevice::kResolution);
    printer_->setFullPage(false);
    // Margins of 0 are raised to the printer's own unprintable border: positions count from
    // the corner of the printable area.
    printer_->setPageLayout(layout);
    printer_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
    return *printer_;
}

void PrinterDevice::job_done() {
    if (printer_->printerState() == QPrinter::Error) throw PrintError("印表機拒絕了列印工作。");
}

void PrinterDevice::abandon() {
    if (printer_) printer_->abort();
}

DeviceFactory printer_device_factory(const QString& job_title) {
    return [job_title]() -> std::unique_ptr<PrintDevice> {
        return std::make_unique<PrinterDevice>(job_title);
    };
}

}  // namespace zol::print
