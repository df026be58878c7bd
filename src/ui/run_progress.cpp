#include "ui/run_progress.h"

#include <QApplication>
#include <QString>

namespace zol {

namespace {

// Pending events are let through at most this often: often enough to paint.
constexpr qint64 kEventsEveryMs = 40;

}  // namespace

RunProgress::RunProgress(QWidget* window, int show_after_ms)
    : window_(window), show_after_ms_(show_after_ms) {
    clock_.start();
}

RunProgress::~RunProgress() {
    if (dialog_) QApplication::restoreOverrideCursor();
}

ProgressFn RunProgress::listener() {
    return [this](const Progress& p) { update(p); };
}

bool RunProgress::cancelled() const {
    return dialog_ && dialog_->wasCanceled();
}

void RunProgress::update(const Progress& p) {
    if (cancelled()) throw RunCancelled();
    const qint64 now = clock_.elapsed();
    if (now - last_events_ < kEventsEveryMs) return;
    last_events_ = now;
    if (!dialog_ && now >= show_after_ms_) {
        dialog_ = std::make_unique<QProgressDialog>(window_);
        dialog_->setWindowTitle(QString::fromUtf8(kProgressTitle));
        dialog_->setCancelButtonText(QString::fromUtf8("取消"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->setMinimumDuration(0);
        dialog_->setMinimumWidth(420);
        // The busy pointer stays on the window; over the dialog Cancel is clickable.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        dialog_->show();
    }
    if (dialog_) {
        dialog_->setLabelText(QString::fromStdString(progress_label(p)));
        // Without a measure of the whole the bar just shows that work goes on.
        dialog_->setMaximum(p.total > 0 ? p.total : 0);
        dialog_->setValue(p.total > 0 ? p.done : 0);
        QApplication::processEvents();
    } else {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (cancelled()) throw RunCancelled();
}

}  // namespace zol
