#pragma once
// The controls the source logic reads and writes, as a small template set for tests. Radio groups
// match the pages: bitrate mode, aspect ratio, DC precision, interlacing, field order, chroma format.

#include "core/control_ids.h"
#include "core/control_model.h"

#include <array>

namespace mivo::test {

inline std::span<const PageTemplate> sourceTestTemplates() {
    using enum ControlKind;
    using namespace ids;
    static const std::string_view levels[] = {"AUTO", "MAIN", "HIGH"};
    static const ControlTemplate window[] = {
        {.id = window::encode, .kind = Button, .text = "encode", .flags = kDisabled},
        {.id = window::addToQueue, .kind = Button, .text = "add to queue", .flags = kDisabled},
        {.id = window::status, .kind = Static},
    };
    static const ControlTemplate mainPage[] = {
        {.id = main::inputFileButton, .kind = Button, .text = "input file name (*.d2v, *.avs)"},
        {.id = main::outputFileButton,
         .kind = Button,
         .text = "output file name (not set)",
         .flags = kDisabled},
        {.id = main::logFileButton, .kind = Button, .text = "log file name (not set)", .flags = kDisabled},
        {.id = main::averageBitrateRadio, .kind = Radio, .flags = kChecked, .group = 1},
        {.id = main::fileLengthRadio, .kind = Radio, .group = 1},
        {.id = main::fileLengthEdit, .kind = Edit},
        {.id = main::averageBitrateEdit, .kind = Edit, .text = "4000"},
        {.id = main::maxBitrateEdit, .kind = Edit, .text = "8000"},
        {.id = main::allFramesButton, .kind = Button},
        {.id = main::startFrameEdit, .kind = Edit},
        {.id = main::endFrameEdit, .kind = Edit},
        {.id = main::aspect1to1Radio, .kind = Radio, .group = 2},
        {.id = main::aspect4to3Radio, .kind = Radio, .group = 2},
        {.id = main::aspect16to9Radio, .kind = Radio, .flags = kChecked, .group = 2},
        {.id = main::aspect221to1Radio, .kind = Radio, .group = 2},
        {.id = main::aspectPanScanRadio, .kind = Radio, .group = 2},
        {.id = main::dcPrecision8Radio, .kind = Radio, .flags = kChecked, .group = 3},
        {.id = main::dcPrecision9Radio, .kind = Radio, .group = 3},
        {.id = main::dcPrecision10Radio, .kind = Radio, .group = 3},
        {.id = main::dcPrecision11Radio, .kind = Radio, .group = 3},
        {.id = main::pulldownCheck, .kind = CheckBox},
        {.id = main::autoGopLengthEdit, .kind = Edit, .text = "15"},
        {.id = main::autoGopLengthUpDown, .kind = UpDown, .rangeMin = 1, .rangeMax = 99, .initial = 15},
        {.id = main::frameCountInfo, .kind = Static},
        {.id = main::frameSizeInfo, .kind = Static},
        {.id = main::frameRateInfo, .kind = Static},
        {.id = main::movieSecondsInfo, .kind = Static},
        {.id = main::movieHmsInfo, .kind = Static},
        {.id = main::encodeSecondsInfo, .kind = Static},
        {.id = main::encodeHmsInfo, .kind = Static},
        {.id = main::encodeFramesInfo, .kind = Static},
    };
    static const ControlTemplate settings1Page[] = {
        {.id = settings1::autoDetectRadio, .kind = Radio, .flags = kChecked, .group = 1},
        {.id = settings1::progressiveRadio, .kind = Radio, .group = 1},
        {.id = settings1::interlacedRadio, .kind = Radio, .group = 1},
        {.id = settings1::dvSourceRadio, .kind = Radio, .group = 1},
        {.id = settings1::tffRadio, .kind = Radio, .flags = kChecked, .group = 2},
        {.id = settings1::bffRadio, .kind = Radio, .group = 2},
        {.id = settings1::bFramesEdit, .kind = Edit, .text = "2"},
        {.id = settings1::gopLengthEdit, .kind = Edit, .text = "15"},
        {.id = settings1::gopLengthUpDown, .kind = UpDown, .rangeMin = 1, .rangeMax = 30, .initial = 15},
        {.id = settings1::bFramesUpDown, .kind = UpDown, .rangeMin = 0, .rangeMax = 3, .initial = 2},
        {.id = settings1::constantQuantCheck, .kind = CheckBox},
        {.id = settings1::quantValueEdit, .kind = Edit, .text = "5.000", .flags = kDisabled},
        {.id = settings1::checkVbvCheck, .kind = CheckBox, .flags = kDisabled},
    };
    static const ControlTemplate settings2Page[] = {
        {.id = settings2::vbvCheck, .kind = CheckBox},
        {.id = settings2::mpegLevelCombo, .kind = ComboBox, .items = levels},
        {.id = settings2::allow3BFramesCheck, .kind = CheckBox},
    };
    static const ControlTemplate settings3Page[] = {
        {.id = settings3::timecodeHourEdit, .kind = Edit, .text = "0"},
        {.id = settings3::timecodeMinuteEdit, .kind = Edit, .text = "0"},
        {.id = settings3::timecodeSecondEdit, .kind = Edit, .text = "0"},
        {.id = settings3::timecodeFrameEdit, .kind = Edit, .text = "0"},
        {.id = settings3::useLosslessCheck, .kind = CheckBox},
        {.id = settings3::losslessEstimate, .kind = Static},
        {.id = settings3::chroma420Radio, .kind = Radio, .flags = kChecked, .group = 1},
        {.id = settings3::chroma422Radio, .kind = Radio, .group = 1},
        {.id = settings3::chroma444Radio, .kind = Radio, .flags = kDisabled, .group = 1},
        {.id = settings3::frameWidthEdit, .kind = Edit},
        {.id = settings3::frameHeightEdit, .kind = Edit},
    };
    static const ControlTemplate chaptersPage[] = {
        {.id = chapters::chapterList, .kind = ListBox},
        {.id = preview::slider, .kind = Trackbar, .rangeMin = 0, .rangeMax = 1000},
    };
    static const ControlTemplate zonesPage[] = {{.id = zones::zoneList, .kind = ListBox}};
    static const ControlTemplate panScanPage[] = {
        {.id = panscan::horizontalEdit, .kind = Edit},  {.id = panscan::verticalEdit, .kind = Edit},
        {.id = panscan::windowWidthEdit, .kind = Edit}, {.id = panscan::windowHeightEdit, .kind = Edit},
        {.id = panscan::positionList, .kind = ListBox},
    };
    static const PageTemplate pages[] = {
        {PageId::Window, 101, "", 0, 0, window},           {PageId::Main, 103, "", 0, 0, mainPage},
        {PageId::Settings1, 104, "", 0, 0, settings1Page}, {PageId::Settings2, 105, "", 0, 0, settings2Page},
        {PageId::Settings3, 106, "", 0, 0, settings3Page}, {PageId::Matrix, 107, "", 0, 0, {}},
        {PageId::Chapters, 108, "", 0, 0, chaptersPage},   {PageId::Zones, 109, "", 0, 0, zonesPage},
        {PageId::PanScan, 110, "", 0, 0, panScanPage},
    };
    return pages;
}

} // namespace mivo::test
