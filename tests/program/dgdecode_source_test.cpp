// The DGDecode layer, the frame access and the input flow against the synthetic decoder library.
#include "program/source/dgdecode_source.h"
#include "program/source/input_flow.h"
#include "sources/frame_access.h"

#include "core/control_ids.h"
#include "core/source/d2v_check.h"
#include "source_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace mivo;
using namespace mivo::ids;

namespace {

const fs::path kSynthetic = fs::path(MIVO_DOUBLES_DIR) / "libmivo_synthetic_decoder.so";
const fs::path kNoClose = fs::path(MIVO_DOUBLES_DIR) / "libmivo_synthetic_decoder_noclose.so";

void writeFile(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << text;
}

std::string description(const std::string& size, const std::string& rate, const std::string& frames,
                        const std::string& pixel, const std::string& scenes = "flat 60 100 200\n") {
    return "synthetic-source\nsize " + size + "\nrate " + rate + "\nframes " + frames + "\npixel " + pixel +
           "\n" + scenes;
}

class DgdecodeSource : public ::testing::Test {
  protected:
    fs::path root;
    ProgramPaths paths;
    ControlModel model{test::sourceTestTemplates()};
    StatusLine status{model};
    SourceState state;
    SourceSettingsStore store;
    SourceSettings settings = store.view();
    SourceContext ctx{state, settings, model, status};
    DgdecodeLibrary library;
    int listClears = 0;
    InputHooks hooks{[this] { ++listClears; }, {}, {}};

    void SetUp() override {
        ASSERT_TRUE(fs::exists(kSynthetic)) << "build the mivo_synthetic_decoder target first";
        root = fs::path(MIVO_BINARY_DIR) / "test-tmp" /
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(root);
        fs::create_directories(root / "prog" / "DGDecode");
        paths = ProgramPaths::beside((root / "prog").string() + "/", '/');
    }
    void TearDown() override { library.release(); }

    void decoder(const std::string& version, const fs::path& from = kSynthetic) {
        fs::copy_file(from, root / "prog" / "DGDecode" / ("DGDecode" + version + ".dll"),
                      fs::copy_options::overwrite_existing);
    }
    // A project of the given format listing one synthetic source.
    std::string project(const std::string& name, const std::string& version, const std::string& source) {
        writeFile(root / "video" / (name + ".vob"), source);
        const std::string listed = (root / "video" / (name + ".vob")).string();
        const std::string line =
            (version == "06" || version == "10") ? std::to_string(listed.size()) + " " + listed : listed;
        const fs::path p = root / "projects" / (name + ".d2v");
        writeFile(p, "DGIndexProjectFile" + version + "\r\n1\r\n" + line + "\r\n\r\nStream_Type=1\r\n");
        return p.string();
    }
    void choose(const std::string& path) { inputFileChosen(ctx, library, paths, path, hooks); }
    // The status text without the line breaks the status line puts in.
    std::string shown() const {
        std::string s(status.buffer());
        std::replace(s.begin(), s.end(), '\n', ' ');
        return s;
    }
    std::string text(int id) const { return model.text(PageId::Main, id); }
};

} // namespace

TEST_F(DgdecodeSource, Version16ProjectOpensAndShowsTheMovie) {
    decoder("16");
    const std::string path = project("movie", "16", description("720 576", "25 1", "2500", "YV12"));
    choose(path);
    EXPECT_EQ(shown(), " D2V project file opened, DGDecode.dll (project version 16) loaded, DGDecode "
                       "successfully initialized");
    EXPECT_TRUE(state.sourceReady);
    EXPECT_TRUE(state.inputAccepted);
    EXPECT_TRUE(state.dgdecodeLoaded);
    EXPECT_EQ(settings.inputFile, path);
    EXPECT_EQ(text(main::frameSizeInfo), "720x576");
    EXPECT_EQ(text(main::frameRateInfo), "25.0000 / YV12");
    EXPECT_EQ(text(main::frameCountInfo), "2500");
    EXPECT_EQ(text(main::movieSecondsInfo), "100.00");
    EXPECT_EQ(text(main::movieHmsInfo), " 0:01:40");
    EXPECT_EQ(text(main::fileLengthEdit), "48828");
    EXPECT_EQ(text(main::autoGopLengthEdit), "15");
    EXPECT_EQ(settings.startFrame, 0);
    EXPECT_EQ(settings.endFrame, 2499);
    EXPECT_EQ(settings.encodeFrameCount, 2500);
    EXPECT_EQ(listClears, 1);
    EXPECT_EQ(model.text(PageId::Main, main::inputFileButton), "input: " + displayForm(path));
    EXPECT_TRUE(model.enabled(PageId::Main, main::outputFileButton));

    const std::string hour = project("hour", "16", description("720 576", "25 1", "90000", "YV12"));
    choose(hour);
    EXPECT_EQ(text(main::movieSecondsInfo), "3600.00");
    EXPECT_EQ(text(main::movieHmsInfo), " 1:00:00");
}

TEST_F(DgdecodeSource, EveryProjectFormatAndFramePixels) {
    for (const char* version : {"06", "10", "11", "12", "13", "15", "16"})
        decoder(version);
    for (const char* version : {"06", "10", "11", "12", "13", "15", "16"}) {
        const std::string scenes = "flat 60 100 200\nramp from 10\nflat 120 30 40 from 20\nnoise 7 from 30\n";
        choose(project(std::string("v") + version, version,
                       description("64 48", "30000 1001", "40", "YV12", scenes)));
        ASSERT_TRUE(state.sourceReady) << version << shown();
        EXPECT_EQ(state.projectVersion, std::stoi(version));
        EXPECT_EQ(state.width, 64);
        EXPECT_EQ(state.height, 48);
        EXPECT_EQ(state.frameCount, 40);
        EXPECT_FLOAT_EQ(state.frameRate, 29.97003f);
        EXPECT_FLOAT_EQ(state.movieSeconds, 40 * 1001 / 30000.0f);
    }

    FrameAccess frames(state, library, framePlanes());
    FramePlanes& p = framePlanes();
    ASSERT_EQ(frames.fetchFrame(0), FetchResult::Ok);
    EXPECT_EQ(p.luma[0], 60);
    EXPECT_EQ(p.luma[64 * 48 - 1], 60);
    EXPECT_EQ(p.plane2[0], 100); // U, although a YV12 frame delivers V first
    EXPECT_EQ(p.plane3[32 * 24 - 1], 200);
    ASSERT_EQ(frames.fetchFrame(15), FetchResult::Ok);
    EXPECT_EQ(p.luma[3 * 64 + 5], (5 + 3 + 15) % 256);
    EXPECT_EQ(p.plane2[2 * 32 + 7], 7);
    EXPECT_EQ(p.plane3[2 * 32 + 7], 2);
    ASSERT_EQ(frames.fetchFrame(25), FetchResult::Ok);
    EXPECT_EQ(p.luma[100], 120);
    EXPECT_EQ(p.plane2[100], 30);
    EXPECT_EQ(p.plane3[100], 40);
    ASSERT_EQ(frames.fetchFrame(31), FetchResult::Ok);
    std::vector<std::uint8_t> first(p.luma, p.luma + 64 * 48);
    ASSERT_EQ(frames.fetchFrame(39), FetchResult::Ok);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), p.luma)); // same noise picture within the scene
    EXPECT_NE(std::count(first.begin(), first.end(), first[0]), static_cast<long>(first.size()));

    // I420 delivers U first; the planes come out the same.
    choose(project("i420", "16", description("64 48", "25 1", "5", "I420")));
    ASSERT_TRUE(state.sourceReady) << shown();
    ASSERT_EQ(frames.fetchFrame(2), FetchResult::Ok);
    EXPECT_EQ(p.plane2[5], 100);
    EXPECT_EQ(p.plane3[5], 200);

    // Odd sizes: the chroma planes are (w / 2) x (h / 2); the copies stay inside every buffer.
    choose(project("odd", "16", description("63 47", "25 1", "5", "YV12", "ramp\n")));
    ASSERT_TRUE(state.sourceReady) << shown();
    ASSERT_EQ(frames.fetchFrame(0), FetchResult::Ok);
    EXPECT_EQ(p.luma[46 * 63 + 62], (62 + 46) % 256);

    // YUY2 arrives packed and is converted to planes.
    choose(project("yuy2", "16", description("64 48", "25 1", "5", "YUY2", "ramp\n")));
    ASSERT_TRUE(state.sourceReady) << shown();
    EXPECT_EQ(text(main::frameRateInfo), "25.0000 / YUY2");
    ASSERT_EQ(frames.fetchFrame(1), FetchResult::Ok);
    EXPECT_EQ(p.luma[3 * 64 + 5], (5 + 3 + 1) % 256);
    EXPECT_EQ(p.plane2[2 * 32 + 7], 7);
    EXPECT_EQ(p.plane3[2 * 32 + 7], (4 + 5 + 1) / 2); // chroma lines 4 and 5 averaged, rounding up
}

TEST_F(DgdecodeSource, DecoderRefusalsAndTheirMessages) {
    choose(project("nolib", "13", description("720 576", "25 1", "10", "YV12")));
    EXPECT_EQ(shown(),
              " D2V project file opened, DGDecode.dll NOT found in " + paths.programFolder + "DGDecode");
    EXPECT_FALSE(state.sourceReady);
    EXPECT_FALSE(state.inputAccepted);
    EXPECT_EQ(settings.inputFile, "");
    EXPECT_EQ(model.text(PageId::Main, main::inputFileButton), kInputButtonDefault);

    decoder("13", kNoClose);
    choose(project("noclose", "13", description("720 576", "25 1", "10", "YV12")));
    EXPECT_EQ(shown(),
              " D2V project file opened, DGDecode.dll (project version 13) loaded, error initializing "
              "DGDecode, can't load load routines from dll");
    EXPECT_FALSE(state.sourceReady);
    EXPECT_FALSE(state.dgdecodeLoaded);
    EXPECT_EQ(model.text(PageId::Main, main::frameSizeInfo), "-");

    decoder("16");
    const auto refused = [&](const std::string& name, const std::string& desc) {
        choose(project(name, "16", desc));
        EXPECT_FALSE(state.sourceReady) << name;
        const std::string s = shown();
        return s.substr(s.find("loaded") + 6);
    };
    EXPECT_EQ(refused("rgb", description("720 576", "25 1", "10", "RGB24")),
              ", error initializing DGDecode, no YV12 or YUY2 color space");
    EXPECT_EQ(refused("noframes", description("720 576", "25 1", "0", "YV12")),
              ", error initializing DGDecode, mpeg file opened but can't read specifications");
    EXPECT_EQ(refused("norate", description("720 576", "25 0", "10", "YV12")),
              ", error initializing DGDecode, mpeg file opened but can't read specifications");
    // Larger than the shared planes: refused before any frame could overrun them.
    EXPECT_EQ(refused("huge", description("2048 1152", "25 1", "10", "YV12")),
              ", error initializing DGDecode, mpeg file opened but can't read specifications");
    EXPECT_EQ(refused("garbage", "not a source\n"), ", error initializing DGDecode, can't open mpeg file");
    FrameAccess frames(state, library, framePlanes());
    EXPECT_EQ(frames.fetchFrame(0), FetchResult::NoFrame);

    // The largest frame that fits opens, also packed.
    choose(project("full", "16", description("1920 1152", "25 1", "2", "YV12")));
    EXPECT_TRUE(state.sourceReady) << shown();
    choose(project("hdpacked", "16", description("1920 1080", "25 1", "2", "YUY2", "flat 1 2 3\n")));
    ASSERT_TRUE(state.sourceReady) << shown();
    ASSERT_EQ(frames.fetchFrame(1), FetchResult::Ok);
    EXPECT_EQ(framePlanes().luma[1920 * 1080 - 1], 1);
    EXPECT_EQ(framePlanes().plane3[960 * 540 - 1], 3);
}

TEST_F(DgdecodeSource, ProjectRejectionsClearTheLists) {
    decoder("16");
    writeFile(root / "projects" / "v14.d2v", "DGIndexProjectFile14\r\n1\r\nx.vob\r\n");
    choose((root / "projects" / "v14.d2v").string());
    EXPECT_EQ(shown(), " ERROR, invalid D2V project, DGIndex/DGDecode mismatch");
    EXPECT_EQ(listClears, 1);
    EXPECT_FALSE(state.inputAccepted);
    EXPECT_EQ(settings.inputFile, "");

    writeFile(root / "projects" / "gone.d2v", "DGIndexProjectFile16\r\n1\r\n/no/such/file.vob\r\n");
    choose((root / "projects" / "gone.d2v").string());
    EXPECT_EQ(shown(), " ERROR, invalid D2V project, can't find the VOB/MPEG files");
    EXPECT_EQ(listClears, 2);

    // A file that does not exist leaves the lists alone.
    choose((root / "projects" / "absent.d2v").string());
    EXPECT_EQ(shown(), " input file not found");
    EXPECT_EQ(listClears, 2);
    EXPECT_EQ(settings.inputFile, "");

    // An ini file naming the projects: classified, not opened.
    settings.inputFile = (root / "projects" / "v14.d2v").string();
    EXPECT_EQ(classifyIniInput(ctx, paths), IniInputOutcome::VersionMismatch);
    EXPECT_EQ(settings.inputFile, "");
    settings.inputFile = (root / "projects" / "gone.d2v").string();
    EXPECT_EQ(classifyIniInput(ctx, paths), IniInputOutcome::FilesMissing);
    settings.inputFile = project("ok", "16", description("720 576", "25 1", "10", "YV12"));
    EXPECT_EQ(classifyIniInput(ctx, paths), IniInputOutcome::Accepted);
    EXPECT_TRUE(state.inputAccepted);
    EXPECT_FALSE(state.sourceReady);

    // Opened after the ini was read, with the ini's frame range kept inside the source.
    state.frameRangeGiven = true;
    settings.startFrame = 3;
    settings.endFrame = 500;
    openDgdecodeSource(ctx, library, paths);
    EXPECT_TRUE(state.sourceReady);
    EXPECT_EQ(settings.startFrame, 3);
    EXPECT_EQ(settings.endFrame, 9);
    EXPECT_EQ(settings.encodeFrameCount, 7);
}

TEST_F(DgdecodeSource, AnotherVersionReplacesTheLoadedLibrary) {
    decoder("16");
    decoder("13");
    const std::string lib16 = (root / "prog" / "DGDecode" / "DGDecode16.dll").string();
    choose(project("a", "16", description("720 576", "25 1", "10", "YV12")));
    ASSERT_TRUE(state.sourceReady);
    void* probe = ::dlopen(lib16.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(probe, nullptr);
    if (probe) ::dlclose(probe);

    choose(project("b", "13", description("352 288", "25 1", "10", "YV12")));
    ASSERT_TRUE(state.sourceReady);
    EXPECT_EQ(shown(),
              " D2V project file opened, DGDecode.dll (project version 13) loaded, DGDecode successfully "
              "initialized");
    EXPECT_EQ(state.decoderLibraryPath, (root / "prog" / "DGDecode" / "DGDecode13.dll").string());
    probe = ::dlopen(lib16.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(probe, nullptr) << "the version 16 library is still loaded";
    if (probe) ::dlclose(probe);
    EXPECT_EQ(text(main::frameSizeInfo), "352x288");
}
