#pragma once
// The Disc page: where the DVD-Video folder and its image go after the encode, and which audio the
// title carries. The choices live in the settings record, so the ini file, "add to queue" and the back
// end all see them; the page says what the disc will do with the audio and whether its tools are there.

#include "program/pages/page_handler.h"

#include <optional>
#include <string>

namespace mivo {

class DiscPage : public PageHandler {
  public:
    using PageHandler::PageHandler;
    void onDefault(int id) override;
    void onChange(int id) override;

    // The labels, the track and the two info lines from the record, after a load or a file change and
    // whenever the page comes up. True when the disc will convert the audio.
    bool refresh();
    // After the DVD checks of a source just opened: when a disc is asked and its audio is to be
    // converted, the status line says so.
    void sourceChecked();

  private:
    void chooseFolder();
    void chooseImage();
    void chooseAudioFile();
    // refresh(), and the audio's fate on the status line when the disc has to convert it.
    void changed();
    // The info line's text; `converted` tells whether the disc encodes the audio anew.
    std::string audioText(bool& converted, bool& hasAudio) const;
};

// Why "encode" cannot make the disc the settings ask for (a missing tool, with its Debian package), or
// nothing. The encoder would refuse the same before encoding; the window says it without starting it.
std::optional<std::string> discRefusal(Program& p);

// The status line's note once the encoder has ended, when the settings ask for a disc: where the folder
// (and image) are when they are there, that there is no disc when the encoder ended well and left none,
// otherwise the back end's reason, the last error line of its log text.
std::string discEndNote(int exitCode, const std::string& dvdFolder, const std::string& dvdIso,
                        const std::string& logText);

} // namespace mivo
