#include "scenario_runner.h"

#include "gui/main_window.h"
#include "platform/frame_server.h"
#include "program/program.h"

#include <cstdlib>

namespace mivo::scenario {

Runner::~Runner() = default;

Parts defaultParts() {
    Parts p;
    p.syntheticDecoder = MIVO_PART_SYNTHETIC_DECODER;
    p.syntheticDecoderNoClose = MIVO_PART_SYNTHETIC_DECODER_NOCLOSE;
    p.realDecoder = MIVO_PART_REAL_DECODER;
    p.encoderDouble = MIVO_PART_ENCODER_DOUBLE;
    p.realEncoder = MIVO_PART_REAL_ENCODER;
    p.queueRunner = MIVO_PART_QUEUE_RUNNER;
    p.avisynthDouble = MIVO_PART_AVISYNTH_DOUBLE;
    // The program finds the double, or no frame server at all, instead of the system's library; so does
    // the encoder it starts.
    p.frameServerSeam = [](std::optional<std::string> library) {
        const std::string chosen = library ? *library : std::string("none");
        platform::setFrameServerLibrary(chosen);
        ::setenv(platform::kFrameServerVariable, chosen.c_str(), 1);
    };
    return p;
}

} // namespace mivo::scenario
