// The window's message boxes: an OK-only message under the application's title and the
// Yes/No question. Both go through function objects so that tests can answer them.
#pragma once

#include <QCursor>
#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace zol {

// The title of every message that has no title of its own.
inline constexpr const char* kAppTitle = "Zol5300P1";

using MessageFn = std::function<void(const QString& text)>;
// True for Yes.
using QuestionFn = std::function<bool(const QString& text)>;

// The normal pointer while a message box is open: a busy pointer shown before is taken
// away for the box's lifetime and comes back after it.
class NormalPointer {
  public:
    NormalPointer();
    ~NormalPointer();
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;

  private:
    std::vector<QCursor> saved_;  // the pointers taken away, innermost first
};

// OK button only, no icon, title "Zol5300P1"; modal to `parent`.
void show_message(QWidget* parent, const QString& text);
// Yes and No buttons, no icon, an empty title.
bool ask_yes_no(QWidget* parent, const QString& text);

}  // namespace zol
