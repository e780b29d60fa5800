// Dazuzer_024.exe on Linux: the encoder the front-end starts with no arguments in its program folder.

#include "encoder_app.h"

#include "platform/platform.h"

extern "C" {
#include <libavutil/log.h>
}

int main() {
    av_log_set_level(AV_LOG_ERROR);
    return mivo::encoder::runEncoder(mivo::platform::programFolder());
}
