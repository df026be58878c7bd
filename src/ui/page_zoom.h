// The size of the preview's page text. By default the font is as large as lets the widest
// line of the report shown so far fit the width of the text area, and never larger than the
// font the text was built with; the clerk may zoom in and out instead (Ctrl+plus, Ctrl+minus,
// Ctrl+wheel) and go back to fitting the width (Ctrl+0). A choice holds for every page until
// the window closes.
#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <optional>

class QKeyEvent;
class QPlainTextEdit;

namespace zol {

class PageZoom : public QObject {
    Q_OBJECT
  public:
    // Watches `text` (and is owned by it); its font now is the largest a fit gives.
    explicit PageZoom(QPlainTextEdit* text);

    // A new report: its lines are measured afresh.
    void new_report();
    void zoom_in();
    void zoom_out();
    void fit_width();
    // Ctrl+plus, Ctrl+minus or Ctrl+0 applied; false for any other key.
    bool zoom_key(const QKeyEvent* key);

    double points() const;
    bool fitting() const { return !chosen_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void measure(int position, int added);
    void apply();
    double fitted_points() const;
    void zoom_by(double factor);

    QPlainTextEdit* text_;
    QFont base_;
    // The widest line so far, measured in the base font.
    QString widest_;
    double widest_width_ = 0;
    std::optional<double> chosen_;
};

}  // namespace zol
