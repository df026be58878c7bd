// Where a page's screen text goes: the preview's page text box, or a string.
#pragma once

#include <string>
#include <string_view>

namespace zol {

class TextSink {
  public:
    virtual ~TextSink() = default;
    virtual void clear() = 0;
    virtual void hide() = 0;
    // One line of the page (UTF-8), with its CR LF when it had one.
    virtual void append(std::string_view utf8) = 0;
    virtual void show() = 0;
};

// Collects the text; for the command line and for tests.
class StringSink : public TextSink {
  public:
    void clear() override { text_.clear(); }
    void hide() override { visible_ = false; }
    void append(std::string_view utf8) override {
        text_ += utf8;
        ++appends_;
    }
    void show() override { visible_ = true; }

    const std::string& text() const { return text_; }
    bool visible() const { return visible_; }
    int appends() const { return appends_; }

  private:
    std::string text_;
    bool visible_ = true;
    int appends_ = 0;
};

}  // namespace zol
