// Dazuzer_024.exe on Linux: the encoder the front-end starts with no arguments in its program folder.

#include "encoder_app.h"

#include "core/program_paths.h"
#include "platform/platform.h"

extern "C" {
#include <libavutil/log.h>
}

int main() {
    av_log_set_level(AV_LOG_ERROR);
    namespace platform = mivo::platform;
    std::string folder = platform::programFolder();
    // An installed copy's front-end keeps Mivo.ini and the decoder library copy in the user's own folder,
    // as the program folder cannot be written; the same rule finds them here.
    if (!platform::folderWritable(folder)) {
        const std::string own =
            mivo::userSettingsFolder(platform::environment("XDG_CONFIG_HOME"), platform::environment("HOME"),
                                     platform::pathSeparator());
        if (!own.empty() && platform::fileExists(own + "Mivo.ini")) folder = own;
    }
    return mivo::encoder::runEncoder(folder);
}
