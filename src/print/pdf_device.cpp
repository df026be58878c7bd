#include "print/pdf_device.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QIODevice>
#include <QTimeZone>
#include <cerrno>
#include <cstdio>
#include <string>

#include "core/file_target.h"
#include "core/io_loop.h"
#include "print/print_error.h"

namespace zol::print {

// The temporary file as the PDF writer's device, written in large pieces. It keeps the
// errno of the first failed write, which Qt's own file classes turn into English text;
// nothing is written after it.
class PdfDevice::TempFile : public QIODevice {
  public:
    explicit TempFile(int fd) : fd_(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    // Writes what is held; the errno of the first failed write, or 0.
    int finish() {
        flush_buffer();
        return error_;
    }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (error_ != 0) return -1;
        buffer_.append(data, static_cast<std::size_t>(size));
        if (buffer_.size() >= kPiece) flush_buffer();
        return error_ != 0 ? -1 : size;
    }

  private:
    static constexpr std::size_t kPiece = 1 << 16;
    void flush_buffer() {
        if (error_ == 0 && !write_all(fd_, buffer_.data(), buffer_.size()))
            error_ = errno != 0 ? errno : EIO;
        buffer_.clear();
    }
    int fd_;
    int error_ = 0;
    std::string buffer_;
};

PdfDevice::PdfDevice(QString path, QString title)
    : path_(std::move(path)), title_(std::move(title)) {}

PdfDevice::~PdfDevice() {
    close_unfinished();
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

PainterDevice::Sheet PdfDevice::prepare(const QPageLayout& wanted) {
    QPageLayout layout(wanted.pageSize(), wanted.orientation(),
                       QMarginsF(kBorder, kBorder, kBorder, kBorder), QPageLayout::Point);
    // QPdfWriter places the painter's origin at the corner of the margins.
    return {layout, QRectF(QPointF(0, 0), layout.paintRect(QPageLayout::Point).size())};
}

QPagedPaintDevice& PdfDevice::open_device(const Sheet& sheet) {
    const std::filesystem::path target = path_.toStdString();
    // A protected file stays as it is.
    if (const std::string refusal = replace_refusal(target); !refusal.empty())
        fail(QString::fromStdString(refusal));
    auto temp = temp_beside(target);
    if (!temp) fail(errno);
    temp_ = temp->path;
    temp_fd_ = std::move(temp->fd);
    file_ = std::make_unique<TempFile>(temp_fd_.get());
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setResolution(kResolution);
    writer_->setTitle(title_);
    writer_->setCreator(QStringLiteral("Zol5300P1"));
    writer_->setPageLayout(sheet.layout);
    return *writer_;
}

void PdfDevice::job_done() {
    writer_.reset();
    if (const int err = file_->finish(); err != 0) fail(err);
    if (const std::string why = put_in_place(temp_fd_.get(), temp_, path_.toStdString());
        !why.empty())
        fail(QString::fromStdString(why));
    temp_.clear();
}

void PdfDevice::abandon() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

void PdfDevice::fail(const QString& why) const {
    throw PrintError(QStringLiteral("無法寫入 PDF 檔案 %1：%2").arg(path_, why).toStdString());
}

void PdfDevice::fail(int err) const {
    fail(QString::fromStdString(file_error_reason(err)));
}

DeviceFactory pdf_device_factory(const QString& path) {
    return [path]() -> std::unique_ptr<PrintDevice> { return std::make_unique<PdfDevice>(path); };
}

void find_time_zone() {
    static_cast<void>(QTimeZone::systemTimeZone());
}

}  // namespace zol::print
