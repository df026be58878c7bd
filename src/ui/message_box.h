// The window's message boxes: an OK-only message under the application's title and the
// Yes/No question. Both go through function objects so that tests can answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace zol {

// The title of every message that has no title of its own.
inline constexpr const char* kAppTitle = "Zol5300P1";

using MessageFn = std::function<void(const QString& text)>;
// True for Yes.
using QuestionFn = std::function<bool(const QString& text)>;

// OK button only, no icon, title "Zol5300P1"; modal to `parent`.
void show_message(QWidget* parent, const QString& text);
// Yes and No buttons, no icon, an empty title.
bool ask_yes_no(QWidget* parent, const QString& text);

}  // namespace zol
