// The installed decoder library as the front-end uses it (loaded by full path, three C exports), and
// the indexer program run as a user runs it: a project made by d2vindex over several files opens with
// the right size, rate, colour format and frame count.

#include "base/whole_file.h"
#include "d2v_source.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <sys/wait.h>

namespace mivo::test {
namespace {

namespace fs = std::filesystem;

class Library {
  public:
    explicit Library(const std::string& path) {
        handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) return;
        open = reinterpret_cast<Open>(dlsym(handle_, "openMPEG2Source"));
        frame = reinterpret_cast<Frame>(dlsym(handle_, "getFrame"));
        close = reinterpret_cast<Close>(dlsym(handle_, "closeVideo"));
    }
    ~Library() {
        if (handle_) dlclose(handle_);
    }
    bool loaded() const { return handle_ && open && frame && close; }

    using Open = const void* (*)(const char*);
    using Frame = const unsigned char* (*)(int);
    using Close = void (*)();
    Open open = nullptr;
    Frame frame = nullptr;
    Close close = nullptr;

  private:
    void* handle_ = nullptr;
};

// The six integers the front-end reads at the start of the stream description.
struct Info {
    std::int32_t width, height, rateNum, rateDen, frames, pixelType;
};

Info infoOf(const void* record) {
    Info info{};
    std::memcpy(&info, record, sizeof info);
    return info;
}

TEST(DecoderLibrary, IsInstalledUnderEveryVersionName) {
    const fs::path folder = fs::path(MIVO_DECODER_LIBRARY).parent_path();
    for (const char* version : {"06", "10", "11", "12", "13", "15", "16"}) {
        Library lib((folder / (std::string("DGDecode") + version + ".dll")).string());
        EXPECT_TRUE(lib.loaded()) << version << ": " << dlerror();
    }
}

TEST(DecoderLibrary, ServesFramesThroughItsExports) {
    Library lib(MIVO_DECODER_LIBRARY);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    StreamSpec s{.frames = 30, .interlaced = true, .container = Container::program};
    const std::string folder = scratchFolder("exports");
    indexProject({makeStream(s)}, folder + "/movie.d2v");

    const void* record = lib.open((folder + "/movie.d2v").c_str());
    ASSERT_NE(record, nullptr);
    const Info info = infoOf(record);
    EXPECT_EQ(info.width, 720);
    EXPECT_EQ(info.height, 576);
    EXPECT_EQ(info.rateNum, 25);
    EXPECT_EQ(info.rateDen, 1);
    EXPECT_EQ(info.frames, 30);
    EXPECT_EQ(static_cast<std::uint32_t>(info.pixelType), 0xA0000008u); // YV12: the front-end's plane 2 is V

    // The same frames as the decoder itself gives, luma then V then U without padding.
    std::string error;
    std::unique_ptr<mpeg2::D2vSource> direct = mpeg2::D2vSource::open(folder + "/movie.d2v", error);
    ASSERT_TRUE(direct) << error;
    const std::size_t bytes = 720 * 576 * 3 / 2;
    ASSERT_EQ(direct->frameBytes(), bytes);
    for (int n : {0, 29, 5, 6, 17, 1}) {
        const unsigned char* f = lib.frame(n);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(hashBytes(f, bytes), hashBytes(direct->frame(n), bytes)) << "frame " << n;
    }
    EXPECT_EQ(hashBytes(lib.frame(-3), bytes), hashBytes(direct->frame(0), bytes));
    EXPECT_EQ(hashBytes(lib.frame(1000), bytes), hashBytes(direct->frame(29), bytes));

    // A project that cannot be opened closes the one before; so does closeVideo.
    EXPECT_EQ(lib.open((folder + "/missing.d2v").c_str()), nullptr);
    EXPECT_EQ(lib.frame(0), nullptr);
    ASSERT_NE(lib.open((folder + "/movie.d2v").c_str()), nullptr);
    EXPECT_NE(lib.frame(3), nullptr);
    lib.close();
    EXPECT_EQ(lib.frame(3), nullptr);
    EXPECT_EQ(lib.open(nullptr), nullptr);
}

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun runIndexer(const std::string& arguments, const std::string& folder) {
    const std::string out = folder + "/stdout.txt", err = folder + "/stderr.txt";
    const std::string command = std::string(MIVO_D2VINDEX) + " " + arguments + " >" + out + " 2>" + err;
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(out), readText(err)};
}

TEST(IndexerProgram, MakesProjectsTheLibraryOpens) {
    Library lib(MIVO_DECODER_LIBRARY);
    ASSERT_TRUE(lib.loaded()) << dlerror();
    const std::string folder = scratchFolder("program");

    struct Expectation {
        const char* name;
        StreamSpec spec;
        std::vector<std::uint64_t> cuts;
        const char* options;
        Info info;
    };
    StreamSpec vob{.frames = 40, .container = Container::program};
    StreamSpec film = ntscFilm(Container::transport);
    const Expectation cases[] = {
        {"dvd",
         vob,
         {20 * 2048, 70 * 2048 + 5},
         "",
         {720, 576, 25, 1, 40, static_cast<std::int32_t>(0xA0000008u)}},
        {"film", film, {}, "", {720, 480, 30000, 1001, 45, static_cast<std::int32_t>(0xA0000008u)}},
        {"film_forced",
         film,
         {},
         "-f 1",
         {720, 480, 24000, 1001, 36, static_cast<std::int32_t>(0xA0000008u)}},
        {"studio", studio422(), {}, "--field-operation 2", {720, 576, 25, 1, 24, 0x60000004}},
        {"hd", hdInterlaced(), {}, "", {1920, 1080, 30000, 1001, 14, static_cast<std::int32_t>(0xA0000008u)}},
    };
    for (const Expectation& e : cases) {
        SCOPED_TRACE(e.name);
        const std::string stream = makeStream(e.spec);
        std::string inputs;
        if (e.cuts.empty()) {
            const std::string copy = folder + "/" + e.name + fs::path(stream).extension().string();
            fs::copy_file(stream, copy, fs::copy_options::overwrite_existing);
            inputs = copy;
        } else {
            for (const std::string& part : splitFile(stream, e.cuts, folder, e.name))
                inputs += " " + part;
        }
        const std::string project = folder + "/" + e.name + ".d2v";
        const ToolRun run = runIndexer(std::string(e.options) + " -o " + project + " " + inputs, folder);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(project), std::string::npos) << run.out;
        EXPECT_FALSE(fs::exists(temporaryBeside(project)));
        const void* record = lib.open(project.c_str());
        ASSERT_NE(record, nullptr);
        const Info info = infoOf(record);
        EXPECT_EQ(info.width, e.info.width);
        EXPECT_EQ(info.height, e.info.height);
        EXPECT_EQ(info.rateNum, e.info.rateNum);
        EXPECT_EQ(info.rateDen, e.info.rateDen);
        EXPECT_EQ(info.frames, e.info.frames);
        EXPECT_EQ(info.pixelType, e.info.pixelType);
        EXPECT_NE(lib.frame(info.frames - 1), nullptr);
    }
    lib.close();
}

TEST(IndexerProgram, ExplainsItsUseAndItsRefusals) {
    const std::string folder = scratchFolder("usage");
    ToolRun run = runIndexer("", folder);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("usage: d2vindex"), std::string::npos);
    run = runIndexer("--help", folder);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--field-operation"), std::string::npos);
    run = runIndexer("-f 5 x.vob", folder);
    EXPECT_EQ(run.status, 2);
    writeText(folder + "/notes.vob", std::string(4000, 'z'));
    run = runIndexer(folder + "/notes.vob", folder);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("d2vindex: error: no MPEG-1/2 video found"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(folder + "/notes.d2v"));
    // The default project name is the first input's, with .d2v.
    StreamSpec s;
    fs::copy_file(makeStream(s), folder + "/VTS_01_1.VOB");
    run = runIndexer("-q " + folder + "/VTS_01_1.VOB", folder);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(fs::exists(folder + "/VTS_01_1.d2v"));
}

} // namespace
} // namespace mivo::test
