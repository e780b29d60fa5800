// The handler table: which handler serves each control's notifications, one row per group of controls,
// written with the controls' names so a row reads like the table it follows.

#include "program/handler_binding.h"

#include "core/control_ids.h"
#include "program/pages/page_handlers.h"

#include <initializer_list>

namespace mivo {

namespace {

using IdList = std::initializer_list<int>;

// Clicks, checks, selections, spins and slides; edits that notify while typing send the text change to
// the same entry point.
void bindDefault(ControlModel& c, PageId page, IdList ids, PageHandler& handler) {
    for (int id : ids) {
        c.bind(page, id, Notify::Default, [&handler](PageId, int i, Notify) { handler.onDefault(i); });
        c.bind(page, id, Notify::Change, [&handler](PageId, int i, Notify) { handler.onChange(i); });
    }
}

// Numeric edits checked when the focus leaves them; gaining the focus clears the status line.
void bindFocus(ControlModel& c, PageId page, IdList ids, PageHandler& handler) {
    for (int id : ids) {
        c.bind(page, id, Notify::LoseFocus, [&handler](PageId, int i, Notify) { handler.onLoseFocus(i); });
        c.bind(page, id, Notify::GainFocus, [&handler](PageId, int i, Notify) { handler.onGainFocus(i); });
    }
}

// Buttons that ask for a file share one handler across the pages.
void bindFiles(ControlModel& c, PageId page, IdList ids, FileButtons& files) {
    for (int id : ids)
        c.bind(page, id, Notify::Default, [&files](PageId pg, int i, Notify) { files.onClick(pg, i); });
}

void bindWindow(ControlModel& c, WindowHandlers& window) {
    namespace w = ids::window;
    c.bind(PageId::Window, w::tabs, Notify::Default, [&window](PageId, int, Notify) { window.tabChanged(); });
    for (int id : {w::about, w::encode, w::exit})
        c.bind(PageId::Window, id, Notify::Default, [&window](PageId, int i, Notify) { window.button(i); });
}

void bindMain(ControlModel& c, PageHandlers& h) {
    namespace m = ids::main;
    bindFiles(c, PageId::Main,
              {m::inputFileButton, m::outputFileButton, m::logFileButton, m::loadIniButton, m::saveIniButton,
               m::loadMivoIniButton, m::saveMivoIniButton},
              h.files);
    bindDefault(c, PageId::Main,
                {m::averageBitrateRadio, m::fileLengthRadio,    m::allFramesButton,    m::profileFastRadio,
                 m::profileNormalRadio,  m::profileBestRadio,   m::aspect1to1Radio,    m::aspect4to3Radio,
                 m::aspect16to9Radio,    m::aspect221to1Radio,  m::aspectPanScanRadio, m::dcPrecision8Radio,
                 m::dcPrecision9Radio,   m::dcPrecision10Radio, m::dcPrecision11Radio, m::smpCheck,
                 m::pulldownCheck,       m::sceneChangeCheck,   m::autoGopCheck,       m::autoGopLengthEdit,
                 m::autoGopLengthUpDown, m::closedGopsCheck,    m::onePassVbrCheck,    m::resetButton,
                 m::dvdCompliantButton,  m::encoderInfoButton,  m::avisynthInfoButton, m::dgdecodeInfoButton},
                h.main);
    bindFocus(
        c, PageId::Main,
        {m::fileLengthEdit, m::averageBitrateEdit, m::maxBitrateEdit, m::startFrameEdit, m::endFrameEdit},
        h.main);
}

void bindSettings(ControlModel& c, PageHandlers& h) {
    namespace s1 = ids::settings1;
    namespace s2 = ids::settings2;
    namespace s3 = ids::settings3;
    bindDefault(c, PageId::Settings1,
                {s1::autoDetectRadio,
                 s1::progressiveRadio,
                 s1::interlacedRadio,
                 s1::dvSourceRadio,
                 s1::tffRadio,
                 s1::bffRadio,
                 s1::bFramesEdit,
                 s1::gopLengthEdit,
                 s1::gopLengthUpDown,
                 s1::bFramesUpDown,
                 s1::constantQuantCheck,
                 s1::pFactorEdit,
                 s1::checkVbvCheck,
                 s1::bFactorEdit,
                 s1::pFactorUpDown,
                 s1::bFactorUpDown,
                 s1::chromaProgressiveRadio,
                 s1::chromaInterlacedRadio,
                 s1::aqStrengthTrackbar,
                 s1::aqStrengthEdit},
                h.settings1);
    bindFocus(c, PageId::Settings1, {s1::quantValueEdit}, h.settings1);
    bindDefault(c, PageId::Settings2,
                {s2::waitForExitEdit, s2::vbrBiasEdit, s2::vbvCheck, s2::seqEndcodeCheck, s2::shutdownCheck,
                 s2::previewCheck, s2::silentCheck, s2::lastIFrameCheck, s2::scdFileCheck, s2::frameLogCheck,
                 s2::lumGainTrackbar, s2::lumGainEdit, s2::mpegLevelCombo, s2::allow3BFramesCheck,
                 s2::colorimetryCombo, s2::intraVlcCombo},
                h.settings2);
    bindFocus(c, PageId::Settings2, {s2::maskTopEdit, s2::maskBottomEdit, s2::maskShiftEdit}, h.settings2);
    bindDefault(
        c, PageId::Settings3,
        {s3::timecodeHourEdit,    s3::timecodeMinuteEdit, s3::timecodeSecondEdit, s3::timecodeFrameEdit,
         s3::cpuAutoRadio,        s3::cpuMmxRadio,        s3::cpuSse2Radio,       s3::cpuSse3Radio,
         s3::cpuSsse3Radio,       s3::cpuSse4Radio,       s3::priorityIdleRadio,  s3::priorityLowRadio,
         s3::priorityNormalRadio, s3::priorityHighRadio,  s3::avsMemoryEdit,      s3::clearPathsButton,
         s3::useLosslessCheck,    s3::losslessPathButton, s3::dbPathButton,       s3::chroma420Radio,
         s3::chroma422Radio,      s3::chroma444Radio},
        h.settings3);
    bindFocus(c, PageId::Settings3, {s3::frameWidthEdit, s3::frameHeightEdit}, h.settings3);
}

void bindMatrix(ControlModel& c, PageHandlers& h) {
    namespace mx = ids::matrix;
    bindDefault(c, PageId::Matrix,
                {mx::builtInRadio, mx::customRadio, mx::builtInCombo, mx::adaptiveMatrixCheck}, h.matrix);
    bindFiles(c, PageId::Matrix, {mx::loadCustomButton, mx::saveMtxButton, mx::saveCqmButton}, h.files);
    for (int row = 0; row < mx::gridSize; ++row)
        for (int col = 0; col < mx::gridSize; ++col)
            bindFocus(c, PageId::Matrix, {mx::intraCell(row, col), mx::nonIntraCell(row, col)}, h.matrix);
}

// The three preview pages share the navigation; each page's handler routes it.
void bindPreviews(ControlModel& c, PageHandlers& h) {
    namespace pv = ids::preview;
    namespace ch = ids::chapters;
    namespace z = ids::zones;
    namespace ps = ids::panscan;
    for (PageId page : {PageId::Chapters, PageId::Zones, PageId::PanScan}) {
        PageHandler& handler = page == PageId::Chapters ? static_cast<PageHandler&>(h.chapters)
                               : page == PageId::Zones  ? static_cast<PageHandler&>(h.zones)
                                                        : static_cast<PageHandler&>(h.panScan);
        for (int id : pv::kNavigation)
            bindDefault(c, page, {id}, handler);
        // The current-frame field follows the number as it is typed and shows the frame again when left.
        bindFocus(c, page, {page == PageId::PanScan ? ps::currentFrameEdit : pv::currentFrameEdit}, handler);
    }
    bindFiles(c, PageId::Chapters, {ch::importButton, ch::exportButton}, h.files);
    bindDefault(c, PageId::Chapters,
                {ch::setStartButton, ch::setEndButton, pv::currentFrameEdit, ch::chapterList,
                 ch::clearListButton, ch::addButton, ch::removeButton, ch::scanButton},
                h.chapters);
    bindDefault(c, PageId::Zones,
                {pv::currentFrameEdit, z::zoneList, z::factorEdit, z::setZoneButton, z::removeZoneButton,
                 z::clearListButton, z::createBitmapButton},
                h.zones);
    bindFiles(c, PageId::PanScan, {ps::importButton, ps::exportButton}, h.files);
    bindDefault(c, PageId::PanScan,
                {ps::currentFrameEdit, ps::verticalEdit, ps::windowWidthEdit, ps::windowHeightEdit,
                 ps::clearListButton, ps::addButton, ps::removeButton, ps::positionList,
                 ps::horizontalLeftButton, ps::horizontalRightButton, ps::verticalLeftButton,
                 ps::verticalRightButton},
                h.panScan);
    bindFocus(c, PageId::PanScan, {ps::horizontalEdit}, h.panScan);
}

// "add to queue" sits beside "encode" but belongs to the Queue page's handler.
void bindQueue(ControlModel& c, PageHandlers& h) {
    namespace q = ids::queue;
    c.bind(PageId::Window, ids::window::addToQueue, Notify::Default,
           [&h](PageId, int, Notify) { h.queue.addToQueue(); });
    bindDefault(c, PageId::Queue,
                {q::jobList, q::startButton, q::stopButton, q::upButton, q::downButton, q::removeButton,
                 q::retryButton},
                h.queue);
}

void bindDisc(ControlModel& c, PageHandlers& h) {
    namespace d = ids::disc;
    bindDefault(c, PageId::Disc,
                {d::folderButton, d::imageButton, d::audioFileButton, d::audioTrackEdit, d::audioTrackUpDown,
                 d::noDiscButton, d::sourceAudioButton},
                h.disc);
}

} // namespace

void bindHandlers(ControlModel& controls, PageHandlers& handlers) {
    bindWindow(controls, handlers.window);
    bindMain(controls, handlers);
    bindSettings(controls, handlers);
    bindMatrix(controls, handlers);
    bindPreviews(controls, handlers);
    bindQueue(controls, handlers);
    bindDisc(controls, handlers);
}

} // namespace mivo
