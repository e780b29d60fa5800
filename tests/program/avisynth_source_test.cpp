// The Avisynth layer and its source flows against the frame-server double.
#include "avisynth_test_support.h"

#include "sources/avisynth_api.h"

#include <algorithm>
#include <fstream>
#include <regex>

namespace mivo::test {
namespace {

std::string description(const std::string& body) {
    return "synthetic-source\n" + body;
}

using AvisynthSource = AvisynthDoubleTest;

TEST_F(AvisynthSource, PlanarScriptsOpenAndServeTheirPixels) {
    for (const char* pixel : {"YV12", "I420"}) {
        SCOPED_TRACE(pixel);
        movieInfoShown = checksRun = 0;
        inputFileName =
            writeScript("movie.avs", description("size 720 576\nrate 25 1\nframes 300\npixel " +
                                                 std::string(pixel) + "\nramp\nflat 60 70 80 from 100\n"));
        status.show(" AVS file opened");
        AvisynthSourceContext ctx = context();
        openAvisynthSource(ctx);

        EXPECT_EQ(shown(), " AVS file opened, Avisynth.dll loaded, Avisynth successfully initialized");
        EXPECT_TRUE(source.sourceReady && source.inputAccepted && source.avisynthLoaded &&
                    source.isAvisynthScript);
        EXPECT_EQ(source.width, 720);
        EXPECT_EQ(source.height, 576);
        EXPECT_EQ(source.frameCount, 300);
        EXPECT_FLOAT_EQ(source.frameRate, 25.0f);
        EXPECT_FLOAT_EQ(source.movieSeconds, 12.0f);
        EXPECT_EQ(source.colourFormat, ColourFormat::Planar420);
        EXPECT_FALSE(source.isYuy2);
        EXPECT_EQ(source.lumaBytes, 720 * 576);
        EXPECT_EQ(source.chromaPlaneBytes, 720 * 576 / 4);
        EXPECT_EQ(source.frameBytes, 2 * 720 * 576);
        EXPECT_EQ(source.lumaPitch, 720);
        EXPECT_EQ(source.chromaPitch, 360);
        EXPECT_EQ(source.projectVersion, 0);
        EXPECT_EQ(startFrame, 0);
        EXPECT_EQ(endFrame, 299);
        EXPECT_EQ(encodeFrameCount, 300);
        EXPECT_EQ(movieInfoShown, 1);
        EXPECT_EQ(checksRun, 1);
        EXPECT_EQ(labelResets, 0);

        TestPlanes planes;
        ASSERT_EQ(fetchAvisynthFrame(layer, source, planes.spans(), 5, 6), AvisynthResult::Ok);
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 720; ++x)
                ASSERT_EQ(planes.luma[y * 720 + x], (x + y + 5) % 256) << x << "," << y;
        for (int y = 0; y < 288; ++y)
            for (int x = 0; x < 360; ++x) {
                ASSERT_EQ(planes.plane2[y * 360 + x], x % 256) << "U " << x << "," << y;
                ASSERT_EQ(planes.plane3[y * 360 + x], y % 256) << "V " << x << "," << y;
            }
        // Nothing past the frame: the copy went line by line, not pitch-sized blocks.
        EXPECT_EQ(planes.luma[720 * 576], 0xAB);
        EXPECT_EQ(planes.plane2[360 * 288], 0xAB);
        EXPECT_EQ(planes.plane3[360 * 288], 0xAB);

        ASSERT_EQ(fetchAvisynthFrame(layer, source, planes.spans(), 150, 6), AvisynthResult::Ok);
        EXPECT_EQ(planes.luma[0], 60);
        EXPECT_EQ(planes.luma[720 * 576 - 1], 60);
        EXPECT_EQ(planes.plane2[360 * 288 - 1], 70);
        EXPECT_EQ(planes.plane3[0], 80);

        const DoubleCounts c = counts();
        EXPECT_EQ(c.frames, 0) << "every frame is released after its copy";
        EXPECT_EQ(c.misuse, 0);
        EXPECT_EQ(memoryRequest, -1);
        EXPECT_EQ(c.memoryMaxCalls, 0) << "no memory request is made";
        EXPECT_GE(c.lastVersion, 0);
        EXPECT_LE(c.lastVersion, 6) << "a high interface version crashes older and newer libraries";
    }
}

TEST_F(AvisynthSource, Yuy2ScriptIsFetchedPackedAndConverted) {
    inputFileName = writeScript(
        "packed.avs", description("size 720 576\nrate 30000 1001\nframes 1000\npixel YUY2\nramp\n"));
    AvisynthSourceContext ctx = context();
    openAvisynthSource(ctx);
    ASSERT_TRUE(source.sourceReady) << shown();
    EXPECT_TRUE(source.isYuy2);
    EXPECT_EQ(source.colourFormat, ColourFormat::Packed422);
    EXPECT_FLOAT_EQ(source.frameRate, 29.97003f);
    EXPECT_NEAR(source.movieSeconds, 1000 * 1001 / 30000.0, 1e-3);

    for (int level : {1, 2}) {
        SCOPED_TRACE(level);
        TestPlanes planes;
        ASSERT_EQ(fetchAvisynthFrame(layer, source, planes.spans(), 3, level), AvisynthResult::Ok);
        for (int y = 0; y < 576; ++y)
            for (int x = 0; x < 720; ++x)
                ASSERT_EQ(planes.luma[y * 720 + x], (x + y + 3) % 256) << x << "," << y;
        // V is the line number: lines 2k and 2k+1 average, rounded up, to 2k+1.
        for (int k = 0; k < 288; ++k)
            for (int x = 0; x < 360; ++x) {
                ASSERT_EQ(planes.plane2[k * 360 + x], x % 256);
                ASSERT_EQ(planes.plane3[k * 360 + x], (2 * k) % 256 + 1);
            }
        // The packed staging copy has no padding between lines.
        EXPECT_EQ(planes.packed[2 * 720], 0 + 1 + 3);
        EXPECT_EQ(planes.packed[2 * 720 * 576], 0xAB);
    }
    EXPECT_EQ(counts().frames, 0);
}

TEST_F(AvisynthSource, ScriptErrorClosesTheInputAndShowsTheMessage) {
    std::string longText;
    for (int i = 0; longText.size() < 300; ++i)
        longText += "word" + std::to_string(i) + " ";
    const std::string path = writeScript("broken.avs", description("error " + longText + "\n"));

    // The layer keeps the first 200 characters of the frame server's text.
    int request = -1;
    ASSERT_EQ(layer.loadAvisynth(request), AvisynthResult::Ok);
    AvisynthClipInfo info;
    std::string errorText;
    EXPECT_EQ(layer.importScript(path, info, errorText), AvisynthResult::ScriptError);
    EXPECT_EQ(errorText, longText.substr(0, 200));

    inputFileName =
        writeScript("syntax.avs", description("error Script error: expected a , or )\\n(line 1)\n"));
    status.show(" AVS file opened");
    AvisynthSourceContext ctx = context();
    openAvisynthSource(ctx);
    EXPECT_EQ(shown(), " error loading Avisynth script, Script error: expected a , or ) (line 1)");
    EXPECT_FALSE(source.sourceReady || source.inputAccepted || source.isAvisynthScript);
    EXPECT_TRUE(inputFileName.empty());
    EXPECT_EQ(source.frameCount, 0);
    EXPECT_EQ(movieInfoShown, 1);
    EXPECT_EQ(labelResets, 1);
    EXPECT_EQ(checksRun, 0);

    // A missing script is the frame server's own error.
    inputFileName = dir_ + "/missing.avs";
    source.isAvisynthScript = true;
    openAvisynthSource(ctx);
    EXPECT_NE(shown().find("Import: couldn't open"), std::string::npos) << shown();
}

TEST_F(AvisynthSource, UnusableClipsAreRefusedWithTheirMessages) {
    struct Case {
        const char* body;
        const char* message;
    };
    const Case cases[] = {
        {"audio-only\n", " can't load video"},
        {"not-a-clip\n", " can't load video"},
        {"size 352 288\npixel RGB24\n", " no YV12 or YUY2 color space"},
        {"size 1920 1200\npixel YV12\n", " can't load video, frame size 1920x1200 too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        inputFileName = writeScript("clip.avs", description(c.body));
        source = SourceState{};
        AvisynthSourceContext ctx = context();
        openAvisynthSource(ctx);
        EXPECT_EQ(shown(), c.message);
        EXPECT_FALSE(source.sourceReady);
        EXPECT_FALSE(source.isAvisynthScript);
        EXPECT_TRUE(inputFileName.empty());
        EXPECT_EQ(source.frameCount, 0);
    }
    layer.releaseAvisynth();
    const DoubleCounts c = counts();
    EXPECT_EQ(c.clips, 0) << "refused clips and values are released";
    EXPECT_EQ(c.clipHandles, 0);
    EXPECT_EQ(c.environments, 0);
    EXPECT_EQ(c.misuse, 0);
}

TEST_F(AvisynthSource, WithoutFrameServerNothingLoads) {
    inputFileName = writeScript("movie.avs", description("pixel YV12\n"));
    platform::setFrameServerLibrary("none");
    status.show(" AVS file opened");
    AvisynthSourceContext ctx = context();
    openAvisynthSource(ctx);
    EXPECT_EQ(shown(), " AVS file opened, Avisynth.dll NOT loaded");
    EXPECT_FALSE(source.avisynthLoaded || source.sourceReady);
    EXPECT_FALSE(layer.libraryLoaded());
    EXPECT_EQ(platform::frameServerLibraryPath(), std::nullopt);

    // Once the frame server was loaded the flag stays, and a failed reload shows in the import.
    platform::setFrameServerLibrary(avisynthDoublePath());
    openAvisynthSource(ctx);
    ASSERT_TRUE(source.sourceReady) << shown();
    platform::setFrameServerLibrary(dir_ + "/nothing-here.so");
    source.isAvisynthScript = true;
    openAvisynthSource(ctx);
    EXPECT_EQ(shown(), " Avisynth.dll not loaded");
    EXPECT_FALSE(source.sourceReady);
    EXPECT_TRUE(source.avisynthLoaded);
    EXPECT_EQ(counts().environments, 0);
}

TEST_F(AvisynthSource, ReleaseBeforeAnEncodeAndReopenAfter) {
    const std::string path =
        writeScript("movie.avs", description("size 720 576\nframes 500\npixel YV12\nflat 50 60 70\n"));
    inputFileName = path;
    AvisynthSourceContext ctx = context();
    openAvisynthSource(ctx);
    ASSERT_TRUE(source.sourceReady) << shown();
    source.currentFrame = 42;

    EXPECT_EQ(layer.releaseAvisynth(), AvisynthResult::Ok);
    DoubleCounts c = counts();
    EXPECT_EQ(c.environments, 0);
    EXPECT_EQ(c.clips, 0);
    EXPECT_EQ(c.clipHandles, 0);
    EXPECT_EQ(c.misuse, 0) << "the clip goes before its environment";
    EXPECT_FALSE(layer.libraryLoaded());
    TestPlanes planes;
    EXPECT_EQ(fetchAvisynthFrame(layer, source, planes.spans(), 0, 6), AvisynthResult::FrameError);
    EXPECT_EQ(planes.luma[0], 0xAB);

    // The script was edited while the encoder ran: the sizes follow it, the range stays inside it.
    writeScript("movie.avs", description("size 352 288\nframes 200\npixel YUY2\nflat 90 100 110\n"));
    status.show(" encoding finished");
    reopenAvisynthSource(ctx);
    EXPECT_EQ(shown(), " encoding finished, Avisynth successfully re-initialized");
    EXPECT_TRUE(source.sourceReady);
    EXPECT_EQ(source.currentFrame, 0);
    EXPECT_EQ(source.width, 352);
    EXPECT_EQ(source.lumaBytes, 352 * 288);
    EXPECT_EQ(source.frameBytes, 2 * 352 * 288);
    EXPECT_TRUE(source.isYuy2);
    EXPECT_EQ(endFrame, 199);
    EXPECT_EQ(encodeFrameCount, 200);
    ASSERT_EQ(fetchAvisynthFrame(layer, source, planes.spans(), 0, 6), AvisynthResult::Ok);
    EXPECT_EQ(planes.luma[352 * 288 - 1], 90);
    EXPECT_EQ(planes.plane3[176 * 144 - 1], 110);
    EXPECT_EQ(planes.luma[352 * 288], 0xAB);

    layer.releaseAvisynth();
    writeScript("movie.avs", description("error gone\n"));
    reopenAvisynthSource(ctx);
    EXPECT_EQ(shown(), " error re-loading Avisynth script,");
    EXPECT_FALSE(source.sourceReady);
    EXPECT_EQ(counts().misuse, 0);
}

TEST_F(AvisynthSource, FrameErrorsLeaveThePlanesAlone) {
    inputFileName =
        writeScript("movie.avs", description("size 64 48\nframes 20\nramp\nframe-error from 10\n"));
    AvisynthSourceContext ctx = context();
    openAvisynthSource(ctx);
    ASSERT_TRUE(source.sourceReady) << shown();
    TestPlanes planes;
    EXPECT_EQ(fetchAvisynthFrame(layer, source, planes.spans(), 10, 6), AvisynthResult::FrameError);
    EXPECT_EQ(planes.luma[0], 0xAB);
    EXPECT_EQ(fetchAvisynthFrame(layer, source, planes.spans(), 9, 6), AvisynthResult::Ok);
    EXPECT_EQ(planes.luma[0], 9);
    // Planes too small for the frame are refused rather than overrun.
    source.colourFormat = ColourFormat::Packed422;
    std::vector<std::uint8_t> small(16);
    EXPECT_EQ(fetchAvisynthFrame(layer, source, PlaneBuffers{small, small, small, small}, 0, 6),
              AvisynthResult::FrameError);
    EXPECT_EQ(counts().frames, 0);
}

TEST_F(AvisynthSource, MemoryRequestIsOnlyMadeWhenAsked) {
    int request = 256;
    ASSERT_EQ(layer.loadAvisynth(request), AvisynthResult::Ok);
    EXPECT_EQ(request, 256);
    EXPECT_EQ(counts().memoryMaxCalls, 1);
    request = -1;
    ASSERT_EQ(layer.loadAvisynth(request), AvisynthResult::Ok);
    EXPECT_EQ(request, -1);
    EXPECT_EQ(counts().memoryMaxCalls, 1);
    EXPECT_EQ(counts().environments, 1) << "a second load releases the first environment";
}

TEST_F(AvisynthSource, ColourFormatsOfPixelTypes) {
    const auto format = [](std::uint32_t code) { return avisynthColourFormat(static_cast<int>(code)); };
    EXPECT_EQ(format(avs::kCsYv12), ColourFormat::Planar420);
    EXPECT_EQ(format(avs::kCsI420), ColourFormat::Planar420);
    EXPECT_EQ(format(avs::kCsYuy2), ColourFormat::Packed422);
    EXPECT_EQ(format(avs::kCsBgr24), ColourFormat::None);
    EXPECT_EQ(format(avs::kCsBgr32), ColourFormat::None);
    EXPECT_EQ(format(0xE0000000u), ColourFormat::None); // Y8
    // Other planar layouts pass the plain mask test but are not 8-bit 4:2:0.
    EXPECT_EQ(format(avs::kCsYv16), ColourFormat::None);
    EXPECT_EQ(format(avs::kCsYv24), ColourFormat::None);
    EXPECT_EQ(format(avs::kCsYuv420P10), ColourFormat::None);
}

TEST_F(AvisynthSource, InstallationProbeAndInformation) {
    AvisynthInstallation found = probeAvisynthInstallation(status);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(std::filesystem::path(found.folder), std::filesystem::path(MIVO_DOUBLES_DIR));
    EXPECT_EQ(shown(), " Avisynth installation found: " + found.folder);

    // A long folder is cut to the status line's 200 characters.
    const std::string deep = dir_ + "/" + std::string(120, 'd') + "/" + std::string(100, 'e');
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(avisynthDoublePath(), deep + "/libavisynth.so");
    platform::setFrameServerLibrary(deep + "/libavisynth.so");
    found = probeAvisynthInstallation(status);
    EXPECT_EQ(found.folder, deep);
    EXPECT_EQ(shown(), (" Avisynth installation found: " + deep).substr(0, 200));

    platform::setFrameServerLibrary(avisynthDoublePath());
    const std::string date = frameServerLibraryDate(avisynthDoublePath());
    EXPECT_TRUE(std::regex_match(date, std::regex("[ 1-3][0-9]-[ 1][0-9]-[0-9]{4}"))) << date;
    EXPECT_EQ(frameServerLibraryDate(dir_ + "/missing.so"), std::string(10, ' '));

    showAvisynthInfo(status, avisynthDoublePath(), date,
                     [](const std::string&) { return std::optional<std::string>("3.7.3.0"); });
    // The status line breaks long texts after 100 characters; compare the words.
    const auto unwrapped = [this] {
        std::string s = shown();
        std::replace(s.begin(), s.end(), '\n', ' ');
        return s;
    };
    EXPECT_EQ(unwrapped(), " Avisynth installation found: " + std::string(MIVO_DOUBLES_DIR) +
                               ", file version: 3.7.3.0, creation date: " + date);
    showAvisynthInfo(status, avisynthDoublePath(), date, {});
    EXPECT_EQ(unwrapped(), " Avisynth installation found: " + std::string(MIVO_DOUBLES_DIR) +
                               ", no file version information available");
    showAvisynthInfo(status, "/nowhere/libavisynth.so", date, {});
    EXPECT_EQ(shown(), " Avisynth.dll NOT found in /nowhere/libavisynth.so");

    platform::setFrameServerLibrary("none");
    found = probeAvisynthInstallation(status);
    EXPECT_FALSE(found.found);
    EXPECT_EQ(shown(), " Avisynth installation NOT found");
    showAvisynthInfo(status, avisynthDoublePath(), date, {});
    EXPECT_EQ(shown(), " Avisynth installation NOT found");
}

TEST_F(AvisynthSource, VersionedLibrariesBesideTheProgramAreFound) {
    namespace fs = std::filesystem;
    const std::string folder = dir_ + "/program/";
    fs::create_directories(folder);
    const auto place = [&](const std::string& name) { fs::copy_file(avisynthDoublePath(), folder + name); };
    const auto files = [&] {
        std::vector<std::string> names;
        for (const std::string& f : platform::frameServerFilesIn(folder))
            names.push_back(f.substr(folder.size()));
        return names;
    };
    EXPECT_EQ(platform::frameServerLibraryIn(folder), std::nullopt);

    // A copied build's full version, and names that only look like the library.
    place("libavisynth.so.3.7.5");
    for (const char* other : {"libavisynth.so.3.7.5.orig", "libavisynth.so.", "libavisynth.so.3..7",
                              "libavisynth.sox", "libavisynth.so.3a"})
        place(other);
    EXPECT_EQ(files(), std::vector<std::string>{"libavisynth.so.3.7.5"});
    EXPECT_EQ(platform::frameServerLibraryIn(folder), folder + "libavisynth.so.3.7.5");

    // Newest first by number, not by text; a file that does not load is passed over.
    place("libavisynth.so.3");
    place("libavisynth.so.11");
    place("libavisynth.so.3.10");
    std::ofstream(folder + "libavisynth.so.12") << "not a library";
    EXPECT_EQ(files(),
              (std::vector<std::string>{"libavisynth.so.12", "libavisynth.so.11", "libavisynth.so.3.10",
                                        "libavisynth.so.3.7.5", "libavisynth.so.3"}));
    EXPECT_EQ(platform::frameServerLibraryIn(folder), folder + "libavisynth.so.11");

    // The plain name comes first.
    place("libavisynth.so");
    EXPECT_EQ(files().front(), "libavisynth.so");
    EXPECT_EQ(platform::frameServerLibraryIn(folder), folder + "libavisynth.so");
}

} // namespace
} // namespace mivo::test
