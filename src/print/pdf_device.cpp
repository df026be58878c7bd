#include "print/pdf_device.h"

#include "print/print_error.h"

namespace zol::print {

PdfDevice::PdfDevice(QString path, QString title)
    : path_(std::move(path)), title_(std::move(title)) {}

PdfDevice::~PdfDevice() {
    close_unfinished();
}

QPagedPaintDevice& PdfDevice::open_device(const QPageLayout& layout) {
    file_ = std::make_unique<QSaveFile>(path_);
    if (!file_->open(QIODevice::WriteOnly))
        throw PrintError(QStringLiteral("無法寫入 PDF 檔案 %1：%2")
                             .arg(path_, file_->errorString())
                             .toStdString());
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setResolution(kResolution);
    writer_->setTitle(title_);
    writer_->setCreator(QStringLiteral("Zol5300P1"));
    writer_->setPageLayout(layout);
    return *writer_;
}

void PdfDevice::job_done() {
    writer_.reset();
    if (!file_->commit())
        throw PrintError(QStringLiteral("無法寫入 PDF 檔案 %1：%2")
                             .arg(path_, file_->errorString())
                             .toStdString());
}

void PdfDevice::abandon() {
    if (file_) file_->cancelWriting();
}

DeviceFactory pdf_device_factory(const QString& path) {
    return [path]() -> std::unique_ptr<PrintDevice> { return std::make_unique<PdfDevice>(path); };
}

}  // namespace zol::print
