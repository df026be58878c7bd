#include "print/pdf_device.h"

#include "core/file_target.h"
#include "print/print_error.h"

namespace zol::print {

namespace {

// Why the PDF could not be written, in the clerk's language (Qt's own text is English).
QString failure_reason(const QSaveFile& file) {
    switch (file.error()) {
        case QFileDevice::ResourceError:  // Qt's name for a full disk
            return QStringLiteral("磁碟空間不足");
        case QFileDevice::PermissionsError:
            return QStringLiteral("沒有寫入權限");
        case QFileDevice::OpenError:
            return QStringLiteral("無法建立檔案（資料夾不存在或沒有寫入權限）");
        case QFileDevice::RenameError:
            return QStringLiteral("無法以新檔取代原有的檔案");
        default:
            return QStringLiteral("寫入失敗（磁碟或網路磁碟機錯誤）");
    }
}

}  // namespace

PdfDevice::PdfDevice(QString path, QString title)
    : path_(std::move(path)), title_(std::move(title)) {}

PdfDevice::~PdfDevice() {
    close_unfinished();
}

PainterDevice::Sheet PdfDevice::prepare(const QPageLayout& wanted) {
    QPageLayout layout(wanted.pageSize(), wanted.orientation(),
                       QMarginsF(kBorder, kBorder, kBorder, kBorder), QPageLayout::Point);
    // QPdfWriter places the painter's origin at the corner of the margins.
    return {layout, QRectF(QPointF(0, 0), layout.paintRect(QPageLayout::Point).size())};
}

QPagedPaintDevice& PdfDevice::open_device(const Sheet& sheet) {
    // A protected file stays as it is. QSaveFile keeps the permission bits of the file it
    // replaces, so a private PDF stays private.
    if (const std::string refusal = replace_refusal(path_.toStdString()); !refusal.empty())
        throw PrintError(QStringLiteral("無法寫入 PDF 檔案 %1：%2")
                             .arg(path_, QString::fromStdString(refusal))
                             .toStdString());
    file_ = std::make_unique<QSaveFile>(path_);
    if (!file_->open(QIODevice::WriteOnly))
        throw PrintError(QStringLiteral("無法寫入 PDF 檔案 %1：%2")
                             .arg(path_, failure_reason(*file_))
                             .toStdString());
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setResolution(kResolution);
    writer_->setTitle(title_);
    writer_->setCreator(QStringLiteral("Zol5300P1"));
    writer_->setPageLayout(sheet.layout);
    return *writer_;
}

void PdfDevice::job_done() {
    writer_.reset();
    if (!file_->commit())
        throw PrintError(QStringLiteral("無法寫入 PDF 檔案 %1：%2")
                             .arg(path_, failure_reason(*file_))
                             .toStdString());
}

void PdfDevice::abandon() {
    if (file_) file_->cancelWriting();
}

DeviceFactory pdf_device_factory(const QString& path) {
    return [path]() -> std::unique_ptr<PrintDevice> { return std::make_unique<PdfDevice>(path); };
}

}  // namespace zol::print
