#include "program/pages/dvd_compliance.h"
#include "program/source/file_change_refresh.h"
#include "program/source/movie_info_display.h"

#include "source_controls.h"

#include <gtest/gtest.h>

using namespace mivo;
using namespace mivo::ids;

namespace {

class MovieInfo : public ::testing::Test {
  protected:
    ControlModel model{test::sourceTestTemplates()};
    StatusLine status{model};
    SourceState state;
    SourceSettingsStore store;
    SourceSettings settings = store.view();
    SourceContext ctx{state, settings, model, status};

    void open(int w, int h, int num, int den, int frames, ColourFormat cf = ColourFormat::Planar420) {
        state.sourceReady = state.inputAccepted = true;
        state.width = w;
        state.height = h;
        state.frameCount = frames;
        state.colourFormat = cf;
        state.frameRate = static_cast<float>(static_cast<double>(num) / den);
        state.movieSeconds = static_cast<float>(frames / (static_cast<double>(num) / den));
        state.lumaBytes = w * h;
        state.chromaPlaneBytes = w * h / 4;
        settings.startFrame = 0;
        settings.endFrame = frames - 1;
        settings.encodeFrameCount = frames;
    }
    std::string text(PageId p, int id) const { return model.text(p, id); }
    std::string checks(int w, int h, int num, int den, bool pulldown = false) {
        status.show(" D2V project file opened");
        open(w, h, num, den, 100);
        model.setChecked(PageId::Main, main::pulldownCheck, pulldown);
        checkFrameRateAndSize(ctx);
        return std::string(status.buffer().substr(std::string_view(" D2V project file opened").size()));
    }
};

} // namespace

TEST_F(MovieInfo, ShowsTheOpenSourceAndDashesWithout) {
    open(720, 576, 25, 1, 2500);
    showMovieInfo(ctx);
    EXPECT_EQ(text(PageId::Main, main::frameSizeInfo), "720x576");
    EXPECT_EQ(text(PageId::Main, main::frameRateInfo), "25.0000 / YV12");
    EXPECT_EQ(text(PageId::Main, main::frameCountInfo), "2500");
    EXPECT_EQ(text(PageId::Main, main::movieSecondsInfo), "100.00");
    EXPECT_EQ(text(PageId::Main, main::movieHmsInfo), " 0:01:40");
    EXPECT_EQ(text(PageId::Main, main::startFrameEdit), "0");
    EXPECT_EQ(text(PageId::Main, main::endFrameEdit), "2499");
    EXPECT_TRUE(model.enabled(PageId::Main, main::allFramesButton));

    settings.startFrame = 100;
    settings.encodeFrameCount = 1500;
    showMovieInfo(ctx);
    EXPECT_EQ(text(PageId::Main, main::encodeFramesInfo), "1500");
    EXPECT_EQ(text(PageId::Main, main::encodeSecondsInfo), "60.00");
    EXPECT_EQ(text(PageId::Main, main::encodeHmsInfo), " 0:01:00");

    open(720, 576, 25, 1, 90000);
    showMovieInfo(ctx);
    EXPECT_EQ(text(PageId::Main, main::movieSecondsInfo), "3600.00");
    EXPECT_EQ(text(PageId::Main, main::movieHmsInfo), " 1:00:00");
    open(720, 576, 1, 100, 100000000); // figures wider than their fields stay readable
    showMovieInfo(ctx);
    EXPECT_EQ(text(PageId::Main, main::frameCountInfo), "100000000");
    EXPECT_EQ(text(PageId::Main, main::movieSecondsInfo), "10000000000.00");

    open(1920, 1080, 30000, 1001, 10, ColourFormat::Packed422);
    showMovieInfo(ctx);
    EXPECT_EQ(text(PageId::Main, main::frameSizeInfo), "1920x1080 HD res");
    EXPECT_EQ(text(PageId::Main, main::frameRateInfo), "29.9700 / YUY2");
    open(720, 577, 25, 1, 10);
    showMovieInfo(ctx);
    EXPECT_EQ(text(PageId::Main, main::frameSizeInfo), "720x577 HD res");

    model.setText(PageId::Main, main::averageBitrateEdit, "6000");
    open(720, 576, 25, 1, 2500);
    showFileLength(ctx);
    EXPECT_EQ(text(PageId::Main, main::fileLengthEdit), "73242");
    EXPECT_EQ(settings.fileLengthKb, 73242);
    model.setText(PageId::Main, main::averageBitrateEdit, "fast");
    showFileLength(ctx); // not a number: the previous bitrate stays
    EXPECT_EQ(settings.bitrate, 6000);
    EXPECT_EQ(text(PageId::Main, main::fileLengthEdit), "73242");
    model.setText(PageId::Main, main::averageBitrateEdit, " 4000 ");
    showFileLength(ctx);
    EXPECT_EQ(text(PageId::Main, main::fileLengthEdit), "48828");

    state.sourceReady = false;
    showMovieInfo(ctx);
    showFileLength(ctx);
    for (int id : {main::startFrameEdit, main::endFrameEdit, main::frameSizeInfo, main::frameRateInfo,
                   main::frameCountInfo, main::movieSecondsInfo, main::movieHmsInfo, main::encodeFramesInfo,
                   main::encodeSecondsInfo, main::encodeHmsInfo})
        EXPECT_EQ(text(PageId::Main, id), "-") << id;
    EXPECT_EQ(settings.startFrame, -1);
    EXPECT_EQ(settings.endFrame, -1);
    EXPECT_EQ(settings.encodeFrameCount, 0);
    EXPECT_FALSE(model.enabled(PageId::Main, main::allFramesButton));
    EXPECT_EQ(text(PageId::Main, main::fileLengthEdit), "");
}

TEST_F(MovieInfo, DvdChecksAndThe1088Repair) {
    EXPECT_EQ(checks(720, 576, 25, 1), "");
    EXPECT_EQ(checks(720, 480, 25, 1), ", WARNING, resolution/frame rate mismatch");
    EXPECT_EQ(checks(640, 480, 30000, 1001), ", WARNING, resolution/frame rate mismatch");
    EXPECT_EQ(checks(720, 480, 30000, 1001), "");
    EXPECT_EQ(checks(352, 240, 30000, 1001), "");
    EXPECT_EQ(checks(352, 288, 25, 1), "");
    EXPECT_EQ(checks(352, 288, 30000, 1001), ", WARNING, resolution/frame rate mismatch");
    EXPECT_EQ(checks(720, 480, 24000, 1001), ", use pulldown for DVD compliancy");
    EXPECT_TRUE(state.filmRate);
    EXPECT_EQ(checks(720, 480, 24000, 1001, true), "");
    EXPECT_EQ(checks(1280, 720, 30, 1), ", WARNING, frame rate NOT DVD-COMPLIANT");
    EXPECT_FALSE(state.filmRate);
    EXPECT_EQ(checks(720, 480, 30, 1),
              ", WARNING, frame rate NOT DVD-COMPLIANT, WARNING, resolution/frame rate mismatch");
    EXPECT_EQ(checks(1920, 1088, 25, 1),
              ", 1088 vertical resolution detected, vertical resolution set to 1080");
    EXPECT_EQ(state.height, 1080);
    showMovieInfo(ctx);
    EXPECT_EQ(text(PageId::Main, main::frameSizeInfo), "1920x1080 HD res");
}

TEST_F(MovieInfo, MakeDvdCompliant) {
    open(720, 576, 25, 1, 100);
    model.setChecked(PageId::Main, main::aspect221to1Radio, true);
    model.setChecked(PageId::Main, main::dcPrecision11Radio, true);
    model.setChecked(PageId::Settings2, settings2::allow3BFramesCheck, true);
    settings.maxConsecutiveB = 3;
    model.setChecked(PageId::Settings1, settings1::constantQuantCheck, true);
    model.setEnabled(PageId::Main, main::maxBitrateEdit, false);
    model.setText(PageId::Settings3, settings3::timecodeHourEdit, "30");
    model.setText(PageId::Settings3, settings3::timecodeMinuteEdit, "75");
    model.setText(PageId::Settings1, settings1::gopLengthEdit, "24");
    model.setText(PageId::Settings1, settings1::bFramesEdit, "3");
    model.setText(PageId::Main, main::averageBitrateEdit, "12000");
    model.setText(PageId::Main, main::maxBitrateEdit, "15000");
    model.setChecked(PageId::Settings1, settings1::progressiveRadio, true);
    status.show(" earlier message");
    makeDvdCompliant(ctx);

    EXPECT_TRUE(model.checked(PageId::Main, main::aspect16to9Radio));
    EXPECT_EQ(settings.aspectRatio, 3);
    EXPECT_TRUE(model.checked(PageId::Main, main::dcPrecision10Radio));
    EXPECT_TRUE(model.checked(PageId::Settings2, settings2::vbvCheck));
    EXPECT_FALSE(model.checked(PageId::Settings2, settings2::allow3BFramesCheck));
    EXPECT_EQ(settings.maxConsecutiveB, 2);
    EXPECT_TRUE(model.enabled(PageId::Main, main::maxBitrateEdit));
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::checkVbvCheck));
    EXPECT_EQ(text(PageId::Settings3, settings3::timecodeHourEdit), "23");
    EXPECT_EQ(text(PageId::Settings3, settings3::timecodeMinuteEdit), "59");
    EXPECT_EQ(text(PageId::Settings1, settings1::gopLengthEdit), "15");
    EXPECT_EQ(model.pos(PageId::Settings1, settings1::gopLengthUpDown), 15);
    EXPECT_EQ(text(PageId::Settings1, settings1::bFramesEdit), "2");
    EXPECT_EQ(model.pos(PageId::Settings1, settings1::bFramesUpDown), 2);
    EXPECT_EQ(text(PageId::Main, main::averageBitrateEdit), "9000");
    EXPECT_EQ(text(PageId::Main, main::maxBitrateEdit), "9800");
    EXPECT_FALSE(model.checked(PageId::Main, main::pulldownCheck));
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::bffRadio));
    EXPECT_FALSE(model.enabled(PageId::Settings1, settings1::tffRadio));
    EXPECT_EQ(text(PageId::Main, main::autoGopLengthEdit), "15");
    EXPECT_EQ(model.selectedText(PageId::Settings2, settings2::mpegLevelCombo), "AUTO");
    EXPECT_EQ(status.buffer(), " earlier message"); // the size fits: no warning

    // Film rate: pulldown on, field options fixed; 720x576 is too tall for it, so the output is 720x480.
    open(720, 576, 24000, 1001, 100);
    state.filmRate = true;
    model.setChecked(PageId::Main, main::aspect1to1Radio, true);
    makeDvdCompliant(ctx);
    EXPECT_TRUE(model.checked(PageId::Main, main::aspect4to3Radio));
    EXPECT_EQ(settings.aspectRatio, 2);
    EXPECT_EQ(text(PageId::Settings3, settings3::frameWidthEdit), "720");
    EXPECT_EQ(text(PageId::Settings3, settings3::frameHeightEdit), "480");
    EXPECT_TRUE(model.checked(PageId::Main, main::pulldownCheck));
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::progressiveRadio));
    for (int id = settings1::autoDetectRadio; id <= settings1::bffRadio; ++id)
        EXPECT_FALSE(model.enabled(PageId::Settings1, id)) << id;
    EXPECT_EQ(text(PageId::Settings1, settings1::gopLengthEdit), "12");
    EXPECT_EQ(text(PageId::Main, main::autoGopLengthEdit), "12");
    EXPECT_EQ(status.buffer(), " earlier message") << "the output size fits: no warning";

    // A rate outside the table leaves the GOP lengths alone.
    open(1280, 720, 50, 1, 100);
    state.filmRate = false;
    model.setText(PageId::Settings1, settings1::gopLengthEdit, "24");
    makeDvdCompliant(ctx);
    EXPECT_EQ(text(PageId::Settings1, settings1::gopLengthEdit), "24");
    EXPECT_EQ(text(PageId::Main, main::autoGopLengthEdit), "12");
}

// The checks judge the size the encoder writes: the typed output size when both fields hold one.
TEST_F(MovieInfo, DvdChecksJudgeTheOutputSize) {
    const auto typed = [this](const char* width, const char* height) {
        model.setText(PageId::Settings3, settings3::frameWidthEdit, width);
        model.setText(PageId::Settings3, settings3::frameHeightEdit, height);
    };
    typed("720", "480");
    EXPECT_EQ(checks(1920, 1080, 25, 1), ", WARNING, resolution/frame rate mismatch");
    typed("720", "576");
    EXPECT_EQ(checks(1920, 1080, 25, 1), "");
    EXPECT_EQ(checks(720, 576, 30000, 1001), ", WARNING, resolution/frame rate mismatch");
    typed("720", "");
    EXPECT_EQ(checks(720, 576, 25, 1), "") << "half a size is none: the source's counts";

    struct Case {
        const char* what;
        int width, height, rateNum, rateDen;
        double shape; // the source's display aspect, 0 when it does not say
        const char *typedWidth, *typedHeight;
        const char *wantWidth, *wantHeight; // the fields afterwards
        int aspect;                         // the aspect chosen afterwards
    };
    const Case cases[] = {
        {"1080p PAL, square pixels", 1920, 1080, 25, 1, 0, "", "", "720", "576", 3},
        {"1080p NTSC", 1920, 1080, 30000, 1001, 0, "", "", "720", "480", 3},
        {"1440x1080 shown 16:9", 1440, 1080, 25, 1, 16.0 / 9, "", "", "720", "576", 3},
        {"1440x1080 square pixels is 4:3", 1440, 1080, 25, 1, 0, "", "", "720", "576", 2},
        {"2.35:1 film", 1920, 816, 24000, 1001, 0, "", "", "720", "480", 3},
        {"a DVD source drops a typed size no DVD holds", 720, 576, 25, 1, 0, "640", "480", "", "", 3},
        {"a typed DVD size stays", 720, 576, 25, 1, 0, "704", "576", "704", "576", 3},
        {"PAL frames at film rate, shape unknown: the aspect stays", 720, 576, 24000, 1001, 0, "", "", "720",
         "480", 3},
        {"PAL frames at film rate shown 4:3", 720, 576, 24000, 1001, 4.0 / 3, "", "", "720", "480", 2},
    };
    for (const Case& c : cases) {
        open(c.width, c.height, c.rateNum, c.rateDen, 100);
        state.displayAspect = c.shape;
        state.filmRate = c.rateNum == 24000;
        model.setChecked(PageId::Main, main::aspect16to9Radio, true);
        settings.aspectRatio = 3;
        typed(c.typedWidth, c.typedHeight);
        status.show(" before");
        makeDvdCompliant(ctx);
        EXPECT_EQ(text(PageId::Settings3, settings3::frameWidthEdit), c.wantWidth) << c.what;
        EXPECT_EQ(text(PageId::Settings3, settings3::frameHeightEdit), c.wantHeight) << c.what;
        EXPECT_EQ(settings.aspectRatio, c.aspect) << c.what;
        EXPECT_TRUE(
            model.checked(PageId::Main, c.aspect == 2 ? main::aspect4to3Radio : main::aspect16to9Radio))
            << c.what;
        EXPECT_EQ(status.buffer(), " before") << c.what << ": the output size fits";
        EXPECT_EQ(checks(c.width, c.height, c.rateNum, c.rateDen, c.rateNum == 24000), "")
            << c.what << ": the checks find nothing left to warn of";
    }
}

TEST_F(MovieInfo, RefreshAfterFileChange) {
    int lists = 0, offsets = 0, pictures = 0;
    ctx.hooks.fillLists = [&](ControlModel&) { ++lists; };
    ctx.hooks.buildPanScanOffsets = [&] { ++offsets; };
    ctx.hooks.showFirstFrame = [&] { ++pictures; };

    // No source: bitrate group off, nothing to preview.
    refreshAfterFileChange(ctx);
    EXPECT_EQ(lists, 1);
    EXPECT_EQ(offsets, 1);
    EXPECT_EQ(pictures, 0);
    for (int id = main::averageBitrateRadio; id <= main::maxBitrateEdit; ++id)
        EXPECT_FALSE(model.enabled(PageId::Main, id)) << id;
    EXPECT_FALSE(model.enabled(PageId::Main, main::pulldownCheck));
    EXPECT_FALSE(model.enabled(PageId::Main, main::aspectPanScanRadio));
    EXPECT_FALSE(model.enabled(PageId::Window, window::encode));
    EXPECT_FALSE(model.enabled(PageId::Window, window::addToQueue));
    EXPECT_FALSE(model.enabled(PageId::Settings3, settings3::useLosslessCheck));

    // A PAL DVD source with pan-scan on, film rate, an output chosen.
    open(720, 576, 24000, 1001, 2500);
    settings.panScanOn = true;
    settings.inputFile = "/home/user/videos/holiday/2024/summer/movie-01.d2v";
    settings.outputFile = "/tmp/out.m2v";
    state.outputChosen = true;
    state.currentFrame = 7;
    model.setPos(PageId::Chapters, preview::slider, 500);
    refreshAfterFileChange(ctx);
    EXPECT_EQ(pictures, 1);
    EXPECT_EQ(state.currentFrame, 0);
    EXPECT_EQ(model.pos(PageId::Chapters, preview::slider), 0);
    EXPECT_EQ(text(PageId::Main, main::inputFileButton), "input: /home...holiday/2024/summer/movie-01.d2v");
    EXPECT_EQ(text(PageId::Main, main::outputFileButton), "output: /tmp/out.m2v");
    EXPECT_TRUE(model.enabled(PageId::Main, main::logFileButton));
    EXPECT_TRUE(model.enabled(PageId::Window, window::encode));
    EXPECT_TRUE(model.enabled(PageId::Window, window::addToQueue));
    EXPECT_TRUE(model.checked(PageId::Main, main::averageBitrateRadio));
    EXPECT_FALSE(model.enabled(PageId::Main, main::fileLengthEdit));
    EXPECT_TRUE(model.enabled(PageId::Main, main::startFrameEdit));
    EXPECT_TRUE(model.checked(PageId::Main, main::aspectPanScanRadio));
    EXPECT_EQ(text(PageId::PanScan, panscan::windowWidthEdit), "540");
    EXPECT_EQ(text(PageId::PanScan, panscan::windowHeightEdit), "576");
    EXPECT_TRUE(model.enabled(PageId::Main, main::pulldownCheck));
    EXPECT_FALSE(model.enabled(PageId::Settings3, settings3::chroma422Radio));
    EXPECT_EQ(text(PageId::Main, main::fileLengthEdit), "50913"); // 2500 frames at 23.976 fps, 4000 kbit/s
    EXPECT_EQ(text(PageId::Main, main::frameCountInfo), "2500");

    // Field options from the ini keywords, and pulldown fixing them.
    settings.dvSourceSet = true;
    refreshAfterFileChange(ctx);
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::dvSourceRadio));
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::bffRadio));
    settings.tffSet = true;
    refreshAfterFileChange(ctx);
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::tffRadio));
    settings.progressiveSet = true;
    refreshAfterFileChange(ctx);
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::progressiveRadio));
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::bffRadio));
    EXPECT_FALSE(model.enabled(PageId::Settings1, settings1::tffRadio));
    model.setChecked(PageId::Main, main::pulldownCheck, true);
    settings.progressiveSet = false;
    refreshAfterFileChange(ctx);
    EXPECT_TRUE(model.checked(PageId::Settings1, settings1::progressiveRadio));
    EXPECT_FALSE(model.enabled(PageId::Settings1, settings1::autoDetectRadio));

    // An HD YUY2 source: no pan-scan, no pulldown, 4:2:2 possible. Only the impossible aspect moves.
    open(1280, 720, 25, 1, 100, ColourFormat::Packed422);
    refreshAfterFileChange(ctx);
    EXPECT_FALSE(settings.panScanOn);
    EXPECT_FALSE(model.enabled(PageId::Main, main::aspectPanScanRadio));
    EXPECT_TRUE(model.checked(PageId::Main, main::aspect16to9Radio));
    EXPECT_FALSE(model.checked(PageId::Main, main::pulldownCheck));
    EXPECT_FALSE(model.enabled(PageId::Main, main::pulldownCheck));
    EXPECT_TRUE(model.enabled(PageId::Settings3, settings3::chroma422Radio));
    model.setChecked(PageId::Main, main::aspect4to3Radio, true);
    refreshAfterFileChange(ctx);
    EXPECT_TRUE(model.checked(PageId::Main, main::aspect4to3Radio));

    // Constant quantisation takes the bitrate edits away.
    model.setChecked(PageId::Settings1, settings1::constantQuantCheck, true);
    refreshAfterFileChange(ctx);
    EXPECT_TRUE(model.enabled(PageId::Settings1, settings1::quantValueEdit));
    EXPECT_FALSE(model.enabled(PageId::Main, main::averageBitrateEdit));
    EXPECT_FALSE(model.enabled(PageId::Main, main::maxBitrateEdit));
    model.setChecked(PageId::Settings1, settings1::checkVbvCheck, true);
    refreshAfterFileChange(ctx);
    EXPECT_TRUE(model.enabled(PageId::Main, main::maxBitrateEdit));
}

TEST_F(MovieInfo, LosslessEstimateAndEncodeButton) {
    open(720, 576, 25, 1, 1000);
    state.isAvisynthScript = true;
    settings.useLossless = true;
    model.setChecked(PageId::Settings3, settings3::useLosslessCheck, true);
    model.setChecked(PageId::Settings1, settings1::progressiveRadio, true);
    refreshLosslessEstimate(ctx);
    EXPECT_TRUE(model.enabled(PageId::Settings3, settings3::useLosslessCheck));
    EXPECT_EQ(text(PageId::Settings3, settings3::losslessEstimate), "0.209 GB");
    model.setChecked(PageId::Settings1, settings1::dvSourceRadio, true);
    refreshLosslessEstimate(ctx);
    EXPECT_EQ(text(PageId::Settings3, settings3::losslessEstimate), "0.324 GB");
    settings.useLossless = false;
    refreshLosslessEstimate(ctx);
    EXPECT_EQ(text(PageId::Settings3, settings3::losslessEstimate), "");

    // An Avisynth script whose frame server is not loaded cannot be encoded.
    state.outputChosen = true;
    showFileNames(ctx);
    EXPECT_FALSE(model.enabled(PageId::Window, window::encode));
    EXPECT_FALSE(model.enabled(PageId::Window, window::addToQueue));
    state.avisynthLoaded = true;
    showFileNames(ctx);
    EXPECT_TRUE(model.enabled(PageId::Window, window::encode));
    EXPECT_TRUE(model.enabled(PageId::Window, window::addToQueue));

    state.isAvisynthScript = false; // a D2V project never uses the lossless file
    refreshLosslessEstimate(ctx);
    EXPECT_FALSE(model.checked(PageId::Settings3, settings3::useLosslessCheck));
    EXPECT_FALSE(model.enabled(PageId::Settings3, settings3::useLosslessCheck));
    EXPECT_EQ(text(PageId::Settings3, settings3::losslessEstimate), "");
}

TEST(MovieInfoOnPages, EveryControlItTouchesExistsOnThePageTemplates) {
    ControlModel model; // the program's own templates
    StatusLine status{model};
    SourceState state;
    SourceSettingsStore store;
    SourceSettings settings = store.view();
    SourceContext ctx{state, settings, model, status};
    for (bool ready : {false, true}) {
        state.sourceReady = ready;
        state.width = 720;
        state.height = ready ? 576 : 0;
        state.frameRate = ready ? 25.0f : 0.0f;
        state.isAvisynthScript = ready;
        EXPECT_NO_THROW(refreshAfterFileChange(ctx));
        EXPECT_NO_THROW(checkFrameRateAndSize(ctx));
        EXPECT_NO_THROW(makeDvdCompliant(ctx));
    }
    EXPECT_EQ(model.selectedText(PageId::Settings2, settings2::mpegLevelCombo), "AUTO");
    EXPECT_EQ(model.text(PageId::PanScan, panscan::windowWidthEdit), "540");
}
