#pragma once
// The status line under the tabs: every confirmation, warning and error of the program is one text
// there. The 200-character buffer keeps what was last shown, so a continuing message can be appended
// even after the line was cleared.

#include <array>
#include <string>
#include <string_view>

namespace mivo {

class StatusBuffer {
  public:
    static constexpr std::size_t kCapacity = 200;
    static constexpr std::size_t kBreakAfter = 100;

    StatusBuffer() { buffer_.fill(' '); }

    // Replace or append; line feeds in the text become blanks, then a line break is put on the first
    // blank after every run of more than 100 characters. Returns the text to show.
    std::string_view write(std::string_view text, bool append);
    // The text as last shown (the buffer without its trailing blanks).
    std::string_view shown() const { return std::string_view(buffer_.data(), length_); }

  private:
    std::array<char, kCapacity> buffer_{};
    std::size_t length_ = 0;
};

class ControlModel;

// The status line control 1005 of the main window, fed by the buffer.
class StatusLine {
  public:
    explicit StatusLine(ControlModel& model) : model_(model) {}
    void show(std::string_view text, bool append = false);
    void append(std::string_view text) { show(text, true); }
    // Empties the control; the buffer keeps its text for a later append.
    void clear();
    std::string_view buffer() const { return buffer_.shown(); }

  private:
    ControlModel& model_;
    StatusBuffer buffer_;
};

} // namespace mivo
