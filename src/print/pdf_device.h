// Prints into a PDF file. The file appears only when the job ends normally; a run that
// prints nothing, or stops on an error, leaves whatever was there before. Each sheet is laid
// out as on a printer with an unprintable border of kBorder points on every side, so that
// the PDF printed at 100 % on an ordinary printer loses nothing.
#pragma once

#include <QPdfWriter>
#include <QString>
#include <filesystem>
#include <memory>

#include "core/unique_fd.h"
#include "print/painter_device.h"

namespace zol::print {

class PdfDevice : public PainterDevice {
  public:
    explicit PdfDevice(QString path, QString title = QStringLiteral("rep_5300"));
    ~PdfDevice() override;

    // One device pixel per twip: every font size of the report (9 to 16 points) is a whole
    // number of pixels, so the fixed-pitch columns do not drift when Qt rounds the font to
    // device pixels.
    static constexpr int kResolution = 1440;
    static constexpr double kBorder = 18;

  protected:
    Sheet prepare(const QPageLayout& wanted) override;
    QPagedPaintDevice& open_device(const Sheet& sheet) override;
    void job_done() override;
    void abandon() override;

  private:
    class TempFile;
    [[noreturn]] void fail(const QString& why) const;
    [[noreturn]] void fail(int err) const;

    QString path_;
    QString title_;
    std::filesystem::path temp_;  // written under this name beside the target until done
    UniqueFd temp_fd_;            // held (locked) while the PDF is written
    std::unique_ptr<TempFile> file_;
    std::unique_ptr<QPdfWriter> writer_;
};

DeviceFactory pdf_device_factory(const QString& path);

// Has Qt find the system's time zone, in which the PDF writer dates every file. Qt reads the
// zone files only the first time (Qt 6.8 lists the whole zone folder for a zone that zone.tab
// leaves out, such as Etc/UTC); done once at program start, a read that fails while a PDF is
// being written cannot leave that PDF with an invalid date.
void find_time_zone();

}  // namespace zol::print
