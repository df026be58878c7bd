// The progress of a long report run in the window: after about half a second a dialog
// says what is being read or written, the rows so far and a bar, and offers Cancel; the
// window keeps painting meanwhile, but takes no other input until the run ends.
#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>
#include <memory>

#include "data/data_options.h"

class QWidget;

namespace zol {

class RunProgress {
  public:
    explicit RunProgress(QWidget* window, int show_after_ms = 500);
    ~RunProgress();
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    // The listener to hand to the data controls and the writer; it throws RunCancelled
    // once Cancel was pressed.
    ProgressFn listener();
    // The dialog, once shown (tests press its Cancel).
    QProgressDialog* dialog() const { return dialog_.get(); }

  private:
    void update(const Progress& p);
    bool cancelled() const;

    QWidget* window_;
    int show_after_ms_;
    QElapsedTimer clock_;
    qint64 last_events_ = -1000;
    std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace zol
