// Prints on the system's default printer through Qt Print Support (CUPS on Linux), at the
// printer's high resolution, as one job. The sheet is set up the way the printer's own
// description allows: its paper, its orientation, and margins no smaller than its
// unprintable border; what it cannot take is refused before any sheet is used.
#pragma once

#include <QPrinter>
#include <QString>
#include <memory>

#include "print/painter_device.h"

namespace zol::print {

class PrinterDevice : public PainterDevice {
  public:
    // `job_title` names the job in the spooler; `queue` is the printer (empty: the default).
    explicit PrinterDevice(QString job_title = QStringLiteral("rep_5300"), QString queue = {});
    ~PrinterDevice() override;

  protected:
    // Throws PrintError when there is no printer to print on, the default printer is
    // stopped, or it has no such paper or cannot turn it; the printer check is repeated when
    // the job opens.
    Sheet prepare(const QPageLayout& wanted) override;
    QPagedPaintDevice& open_device(const Sheet& sheet) override;
    void job_done() override;
    void abandon() override;

  private:
    QString title_;
    QString queue_;
    std::unique_ptr<QPrinter> printer_;
};

// Throws PrintError unless the printer `queue` (empty: the default printer) is there and not
// stopped; returns its name.
QString check_default_printer(const QString& queue = {});

DeviceFactory printer_device_factory(const QString& job_title = QStringLiteral("rep_5300"),
                                     const QString& queue = {});

}  // namespace zol::print
