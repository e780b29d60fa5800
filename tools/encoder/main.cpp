// Dazuzer_024.exe on Linux: the encoder the front-end starts with no arguments in its program folder.
// Given one argument, it encodes the job that ini file describes instead (the queue, a batch system).

#include "encoder_app.h"

#include "core/program_paths.h"
#include "platform/platform.h"

#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);
    namespace platform = mivo::platform;
    if (argc > 2 || (argc == 2 && argv[1][0] == '\0')) {
        std::fprintf(stderr, "usage: Dazuzer_024.exe [JOB.ini]\n");
        return 2;
    }
    const std::string programFolder = platform::programFolder();
    // A job file names everything the encode needs; the decoder libraries stay in the program folder.
    if (argc == 2) return mivo::encoder::runEncoder(programFolder, argv[1], false);
    std::string folder = programFolder;
    // An installed copy's front-end keeps Mivo.ini and the decoder library copy in the user's own folder,
    // as the program folder cannot be written; the same rule finds them here.
    if (!platform::folderWritable(folder)) {
        const std::string own =
            mivo::userSettingsFolder(platform::environment("XDG_CONFIG_HOME"), platform::environment("HOME"),
                                     platform::pathSeparator());
        if (!own.empty() && platform::fileExists(own + "Mivo.ini")) folder = own;
    }
    return mivo::encoder::runEncoder(folder, folder + "Mivo.ini", true);
}
