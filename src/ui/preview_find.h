// The preview's find band: Ctrl+F opens a find field in the top band; Enter or F3 finds the
// next match across every page of the report the preview holds, Shift+Enter or Shift+F3 the
// previous one; the preview turns to the match's page and selects it. Esc closes the field.
// The search runs on a worker thread, so the window paints meanwhile.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "report/held_report.h"
#include "report/report_find.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace zol {

class PreviewFind : public QWidget {
    Q_OBJECT
  public:
    // What the band needs of its preview.
    struct Host {
        // The report the preview holds, or null.
        std::function<std::shared_ptr<const HeldReport>()> report;
        std::function<std::int64_t()> current_page;
        // Turns to a page as the page buttons do.
        std::function<void(std::int64_t page)> turn_to;
    };

    // A child of `band`, on its right from `left`; shortcuts on `text`'s window.
    PreviewFind(QWidget* band, int left, QPlainTextEdit* text, Host host);
    ~PreviewFind() override;

    // Ctrl+F: shows the field and gives it the focus.
    void open();
    // Esc: stops a search, hides the field and gives the focus back to the page text.
    void close_band();
    void find(FindDirection direction);
    bool searching() const { return searching_; }

    QLineEdit* field() const { return field_; }
    QLabel* status() const { return status_; }
    // The preview's keys, shown in the band while the find field is closed.
    QLabel* keys() const { return keys_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Where the search starts: the selected match, or the top of a page just shown.
    FindPlace start(FindDirection direction) const;
    void found(std::uint64_t search, const FindResult& result, const QString& error,
               FindDirection direction);

    QPlainTextEdit* text_;
    Host host_;
    int left_;
    QLineEdit* field_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* keys_ = nullptr;
    // The page text was loaded anew since the last match was selected (nor clicked).
    bool at_top_ = true;
    bool searching_ = false;
    std::uint64_t search_ = 0;
    QString needle_;
    std::shared_ptr<ReportFinder> finder_;
    // Last: stopped and joined before anything it uses goes.
    std::jthread worker_;
};

}  // namespace zol
