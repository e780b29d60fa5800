#pragma once
// The Main page's handler, and the pieces of its information buttons that stand on their own.

#include "program/pages/page_handler.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mivo {

// The Main page: its switches, choices, buttons and the checks of its number fields.
class MainPage : public PageHandler {
  public:
    using PageHandler::PageHandler;
    void onDefault(int id) override;
    void onLoseFocus(int id) override;

  private:
    bool answeredByTable(int id);
    void bitrateModeChosen(bool fileLength);
    void aspectChosen(int code, std::string_view message, std::string_view colorimetryNote);
    void allFrames();
    void frameRangeChanged();
    void autoGopSwitched(bool on);
    void autoGopLengthChanged();
    void pulldownSwitched(bool on);
    void encoderInfo();
    void decoderInfo();
    void fileLengthLeft();
};

// The project versions whose decoder library is present ("06" ... "16", asked in that order), each
// behind two blanks, version 6 as one digit: "  6  10  11". Empty when none is present.
std::string decoderVersionList(const std::function<bool(std::string_view version)>& present);

// The file's version as four numbers joined by "." ("1.2.0.7"); nothing when the file has no version
// resource or cannot be read.
std::optional<std::string> fileVersionText(const std::string& path);

} // namespace mivo
