#include "core/control_ids.h"
#include "core/templates/page_templates.h"

namespace mivo::templates {

using enum ControlKind;
using namespace ids::main;

namespace {
// Radio groups of the page.
enum : int { kBitrateGroup = 1, kProfileGroup, kAspectGroup, kDcPrecisionGroup };
} // namespace

// Three columns: files and movie information on the left, bitrate and frame range in the middle, the
// encoding switches on the right; the page-wide actions in one row at the bottom. The start-up state is
// the one without a source: everything that needs a source starts disabled.
std::span<const ControlTemplate> mainControls() {
    // clang-format off
    static const ControlTemplate controls[] = {
        // --- files and ini files
        {.kind = GroupBox, .x = 2, .y = 2, .w = 180, .h = 80, .text = "files"},
        {.id = inputFileButton, .kind = Button, .x = 8, .y = 12, .w = 168, .h = 12, .text = "input file name (*.d2v, *.avs)"},
        {.id = outputFileButton, .kind = Button, .x = 8, .y = 25, .w = 168, .h = 12, .text = "output file name (not set)", .flags = kDisabled},
        {.id = logFileButton, .kind = Button, .x = 8, .y = 38, .w = 168, .h = 12, .text = "log file name (not set)", .flags = kDisabled},
        {.id = loadIniButton, .kind = Button, .x = 8, .y = 53, .w = 82, .h = 12, .text = "load ini file"},
        {.id = saveIniButton, .kind = Button, .x = 94, .y = 53, .w = 82, .h = 12, .text = "save ini file"},
        {.id = loadMivoIniButton, .kind = Button, .x = 8, .y = 66, .w = 82, .h = 12, .text = "load Mivo.ini"},
        {.id = saveMivoIniButton, .kind = Button, .x = 94, .y = 66, .w = 82, .h = 12, .text = "save Mivo.ini"},

        // --- movie information ("-" until a source is open)
        {.kind = GroupBox, .x = 2, .y = 84, .w = 180, .h = 76, .text = "movie info"},
        {.kind = Static, .x = 8, .y = 95, .w = 60, .h = 8, .text = "width x height"},
        {.id = frameSizeInfo, .kind = Static, .x = 70, .y = 95, .w = 106, .h = 8, .text = "-"},
        {.kind = Static, .x = 8, .y = 106, .w = 60, .h = 8, .text = "fps / format"},
        {.id = frameRateInfo, .kind = Static, .x = 70, .y = 106, .w = 106, .h = 8, .text = "-"},
        {.kind = Static, .x = 8, .y = 117, .w = 60, .h = 8, .text = "frames"},
        {.id = frameCountInfo, .kind = Static, .x = 70, .y = 117, .w = 50, .h = 8, .text = "-"},
        {.kind = Static, .x = 8, .y = 128, .w = 60, .h = 8, .text = "movie length"},
        {.id = movieSecondsInfo, .kind = Static, .x = 70, .y = 128, .w = 38, .h = 8, .text = "-"},
        {.kind = Static, .x = 110, .y = 128, .w = 14, .h = 8, .text = "sec"},
        {.id = movieHmsInfo, .kind = Static, .x = 126, .y = 128, .w = 34, .h = 8, .text = "-"},
        {.kind = Static, .x = 162, .y = 128, .w = 14, .h = 8, .text = "hms"},
        {.kind = Static, .x = 8, .y = 139, .w = 60, .h = 8, .text = "encoding length"},
        {.id = encodeFramesInfo, .kind = Static, .x = 70, .y = 139, .w = 38, .h = 8, .text = "-"},
        {.kind = Static, .x = 110, .y = 139, .w = 26, .h = 8, .text = "frames"},
        {.id = encodeSecondsInfo, .kind = Static, .x = 70, .y = 150, .w = 38, .h = 8, .text = "-"},
        {.kind = Static, .x = 110, .y = 150, .w = 14, .h = 8, .text = "sec"},
        {.id = encodeHmsInfo, .kind = Static, .x = 126, .y = 150, .w = 34, .h = 8, .text = "-"},
        {.kind = Static, .x = 162, .y = 150, .w = 14, .h = 8, .text = "hms"},

        // --- bitrate
        {.kind = GroupBox, .x = 186, .y = 2, .w = 114, .h = 78, .text = "bitrate"},
        {.id = averageBitrateRadio, .kind = Radio, .x = 192, .y = 12, .w = 102, .h = 10, .text = "average bitrate", .flags = kChecked | kDisabled, .group = kBitrateGroup},
        {.id = fileLengthRadio, .kind = Radio, .x = 192, .y = 23, .w = 102, .h = 10, .text = "file length", .flags = kDisabled, .group = kBitrateGroup},
        {.kind = Static, .x = 192, .y = 38, .w = 60, .h = 8, .text = "average (kb/s)"},
        {.id = averageBitrateEdit, .kind = Edit, .x = 254, .y = 36, .w = 40, .h = 12, .text = "4000", .flags = kDisabled},
        {.kind = Static, .x = 192, .y = 52, .w = 60, .h = 8, .text = "maximum (kb/s)"},
        {.id = maxBitrateEdit, .kind = Edit, .x = 254, .y = 50, .w = 40, .h = 12, .text = "8000", .flags = kDisabled},
        {.kind = Static, .x = 192, .y = 66, .w = 60, .h = 8, .text = "length (kbytes)"},
        {.id = fileLengthEdit, .kind = Edit, .x = 254, .y = 64, .w = 40, .h = 12, .flags = kDisabled},

        // --- frame range
        {.kind = GroupBox, .x = 186, .y = 82, .w = 114, .h = 52, .text = "frame range"},
        {.kind = Static, .x = 192, .y = 94, .w = 60, .h = 8, .text = "start frame"},
        {.id = startFrameEdit, .kind = Edit, .x = 254, .y = 92, .w = 40, .h = 12, .text = "-", .flags = kDisabled},
        {.kind = Static, .x = 192, .y = 108, .w = 60, .h = 8, .text = "end frame"},
        {.id = endFrameEdit, .kind = Edit, .x = 254, .y = 106, .w = 40, .h = 12, .text = "-", .flags = kDisabled},
        {.id = allFramesButton, .kind = Button, .x = 192, .y = 120, .w = 102, .h = 12, .text = "all frames", .flags = kDisabled},

        // --- profile
        {.kind = GroupBox, .x = 186, .y = 136, .w = 114, .h = 24, .text = "profile"},
        {.id = profileFastRadio, .kind = Radio, .x = 192, .y = 146, .w = 28, .h = 10, .text = "Fast", .group = kProfileGroup},
        {.id = profileNormalRadio, .kind = Radio, .x = 224, .y = 146, .w = 38, .h = 10, .text = "Normal", .flags = kChecked, .group = kProfileGroup},
        {.id = profileBestRadio, .kind = Radio, .x = 266, .y = 146, .w = 28, .h = 10, .text = "Best", .group = kProfileGroup},

        // --- aspect ratio
        {.kind = GroupBox, .x = 304, .y = 2, .w = 104, .h = 34, .text = "aspect ratio"},
        {.id = aspect1to1Radio, .kind = Radio, .x = 310, .y = 12, .w = 28, .h = 10, .text = "1:1", .group = kAspectGroup},
        {.id = aspect4to3Radio, .kind = Radio, .x = 340, .y = 12, .w = 28, .h = 10, .text = "4:3", .group = kAspectGroup},
        {.id = aspect16to9Radio, .kind = Radio, .x = 370, .y = 12, .w = 32, .h = 10, .text = "16:9", .flags = kChecked, .group = kAspectGroup},
        {.id = aspect221to1Radio, .kind = Radio, .x = 310, .y = 23, .w = 36, .h = 10, .text = "2.21:1", .group = kAspectGroup},
        {.id = aspectPanScanRadio, .kind = Radio, .x = 348, .y = 23, .w = 56, .h = 10, .text = "4:3 PanScan", .flags = kDisabled, .group = kAspectGroup},

        // --- dc precision
        {.kind = GroupBox, .x = 304, .y = 38, .w = 104, .h = 24, .text = "dc prec"},
        {.id = dcPrecision8Radio, .kind = Radio, .x = 310, .y = 48, .w = 24, .h = 10, .text = "  8", .group = kDcPrecisionGroup},
        {.id = dcPrecision9Radio, .kind = Radio, .x = 334, .y = 48, .w = 24, .h = 10, .text = "  9", .flags = kChecked, .group = kDcPrecisionGroup},
        {.id = dcPrecision10Radio, .kind = Radio, .x = 358, .y = 48, .w = 22, .h = 10, .text = "10", .group = kDcPrecisionGroup},
        {.id = dcPrecision11Radio, .kind = Radio, .x = 382, .y = 48, .w = 22, .h = 10, .text = "11", .group = kDcPrecisionGroup},

        // --- switches
        {.kind = GroupBox, .x = 304, .y = 64, .w = 104, .h = 96, .text = "miscellaneous"},
        {.id = smpCheck, .kind = CheckBox, .x = 310, .y = 74, .w = 96, .h = 10, .text = "SMP"},
        {.id = sceneChangeCheck, .kind = CheckBox, .x = 310, .y = 86, .w = 96, .h = 10, .text = "scene change", .flags = kChecked},
        {.id = autoGopCheck, .kind = CheckBox, .x = 310, .y = 99, .w = 42, .h = 10, .text = "autogop", .flags = kChecked},
        {.id = autoGopLengthEdit, .kind = Edit, .x = 354, .y = 97, .w = 26, .h = 12, .text = "15"},
        {.id = autoGopLengthUpDown, .kind = UpDown, .x = 380, .y = 97, .w = 11, .h = 12, .rangeMin = 12, .rangeMax = 18, .initial = 15, .buddy = autoGopLengthEdit},
        {.id = closedGopsCheck, .kind = CheckBox, .x = 310, .y = 112, .w = 96, .h = 10, .text = "closed gops"},
        {.id = pulldownCheck, .kind = CheckBox, .x = 310, .y = 124, .w = 96, .h = 10, .text = "3:2 pulldown", .flags = kDisabled},
        {.id = onePassVbrCheck, .kind = CheckBox, .x = 310, .y = 136, .w = 96, .h = 10, .text = "1 pass VBR"},

        // --- page-wide actions
        {.id = resetButton, .kind = Button, .x = 2, .y = 164, .w = 88, .h = 14, .text = "reset GUI to default"},
        {.id = dvdCompliantButton, .kind = Button, .x = 94, .y = 164, .w = 80, .h = 14, .text = "make DVD compliant"},
        {.id = encoderInfoButton, .kind = Button, .x = 178, .y = 164, .w = 74, .h = 14, .text = "Dazuzer info"},
        {.id = avisynthInfoButton, .kind = Button, .x = 256, .y = 164, .w = 74, .h = 14, .text = "Avisynth info"},
        {.id = dgdecodeInfoButton, .kind = Button, .x = 334, .y = 164, .w = 74, .h = 14, .text = "DGDecode info"},
    };
    // clang-format on
    return controls;
}

} // namespace mivo::templates
