// The disc steps after an encode: the decisions alone, then whole runs of the back end read back the
// way a player reads the disc (libdvdread through lsdvd, the title's program stream through FFmpeg).

#include "../support/small_disk.h"
#include "disc/disc_plan.h"
#include "disc/disc_steps.h"
#include "dvdauthor_reference.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <sys/wait.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace mivo::encoder::disc {
namespace {

namespace fs = std::filesystem;
using mivo::test::readText;
using mivo::test::writeText;

AudioFacts facts(AudioCodec codec, int rate, int channels, double start = 0.0) {
    return {codec, rate, channels, start, {}};
}

TEST(DiscPlan, AudioTheDiscCarriesIsCopiedAndEverythingElseBecomesAc3) {
    struct Case {
        AudioFacts audio;
        bool pal;
        bool copy;
        std::string extension;
        int kbps, channels;
    };
    const Case cases[] = {
        {facts(AudioCodec::Ac3, 48000, 6), false, true, "ac3", 0, 0},
        {facts(AudioCodec::Mp2, 48000, 2), true, true, "mp2", 0, 0},
        {facts(AudioCodec::Mp2, 48000, 2), false, false, "ac3", 192, 2}, // NTSC: AC-3 first
        {facts(AudioCodec::Ac3, 44100, 2), true, false, "ac3", 192, 2},
        {facts(AudioCodec::Lpcm, 48000, 2), true, false, "ac3", 192, 2},
        {facts(AudioCodec::Other, 44100, 1), true, false, "ac3", 192, 2},
        {facts(AudioCodec::Other, 48000, 6), false, false, "ac3", 448, 6},
    };
    for (const Case& c : cases) {
        const AudioPlan p = planAudio(c.audio, c.pal);
        SCOPED_TRACE(static_cast<int>(c.audio.codec) * 1000 + c.audio.sampleRate / 100 + c.pal);
        EXPECT_EQ(p.copy, c.copy);
        EXPECT_EQ(p.extension, c.extension);
        EXPECT_EQ(p.bitrateKbps, c.kbps);
        EXPECT_EQ(p.channels, c.channels);
        EXPECT_EQ(p.reason.empty(), c.copy);
    }
}

TEST(DiscPlan, TheAudioIsCutAtTheFirstEncodedFrameAndLateAudioGetsALeadIn) {
    TitleFacts pal{
        .startFrame = 50, .frameCount = 100, .rateNumerator = 25, .rateDenominator = 1, .chapters = {}};
    // Source: video from 0.54 s, audio from 0.53 s, the file from 0.53 s: frame 50 is at 2.54 s.
    AudioCut cut = cutAudio(pal, facts(AudioCodec::Mp2, 48000, 2, 0.53), 0.54, 0.53);
    EXPECT_NEAR(cut.seek, 2.01, 1e-9);
    EXPECT_EQ(cut.delay, 0.0);
    EXPECT_NEAR(cut.length, 4.0, 1e-9);
    // Audio that begins 0.3 s after the first frame is delayed, not seeked.
    pal.startFrame = 0;
    cut = cutAudio(pal, facts(AudioCodec::Mp2, 48000, 2, 0.84), 0.54, 0.54);
    EXPECT_NEAR(cut.delay, 0.3, 1e-9);
    EXPECT_EQ(cut.seek, 0.0);
    TitleFacts ntsc{
        .startFrame = 0, .frameCount = 3003, .rateNumerator = 30000, .rateDenominator = 1001, .chapters = {}};
    EXPECT_NEAR(titleSeconds(ntsc), 100.2001, 1e-9);
    EXPECT_FALSE(isPal(ntsc));
}

TEST(DiscPlan, ChaptersLieAtTheirFramesRoundedToTheVobuTheyStart) {
    const TitleFacts ntsc{.startFrame = 100,
                          .frameCount = 200000,
                          .rateNumerator = 30000,
                          .rateDenominator = 1001,
                          .aspectRatio = 3,
                          .chapters = {100, 124, 107992}};
    const std::string xml = authoringXml(ntsc, "/w/t.mpg", "de");
    // 24 frames are 0.8008 s, 107892 frames 3599.9964 s: each rounded up.
    EXPECT_NE(xml.find("chapters=\"0:00:00.000,0:00:00.801,0:59:59.997\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<video format=\"ntsc\" aspect=\"16:9\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<audio lang=\"de\""), std::string::npos) << xml;
    EXPECT_EQ(chapterTime(0.96), "0:00:00.960");
    EXPECT_EQ(chapterTime(3599.9991), "1:00:00.000");
    EXPECT_EQ(volumeLabel("/v/My film (2).m2v"), "MY_FILM__2_");
}

// --- whole runs ------------------------------------------------------------------------------------

std::string shell(const std::string& command, int* code = nullptr) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
        const int status = ::pclose(p);
        if (code) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return out;
}

// What lsdvd reads of a disc's first title.
struct DiscReading {
    int titles = 0;
    double length = 0.0;
    std::vector<double> chapters; // lengths
    std::vector<std::string> audioFormats;
    double fps = 0.0;
};

double clock(const std::string& hhmmss) {
    int h = 0, m = 0;
    double s = 0;
    std::sscanf(hhmmss.c_str(), "%d:%d:%lf", &h, &m, &s);
    return h * 3600 + m * 60 + s;
}

DiscReading lsdvd(const std::string& path) {
    const std::string text = shell("lsdvd -x '" + path + "' 2>/dev/null");
    DiscReading r;
    std::smatch m;
    static const std::regex title(R"(Title: \d+, Length: ([0-9:.]+))"),
        chapter(R"(Chapter: \d+, Length: ([0-9:.]+))"), audio(R"(Audio: \d+, .*Format: (\w+),)"),
        fps(R"(FPS: ([0-9.]+))");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_search(line, m, title) && line.rfind("Title:", 0) == 0) {
            ++r.titles;
            r.length = clock(m[1]);
        } else if (std::regex_search(line, m, chapter)) {
            r.chapters.push_back(clock(m[1]));
        } else if (std::regex_search(line, m, audio)) {
            r.audioFormats.push_back(m[1]);
        }
        if (std::regex_search(line, m, fps)) r.fps = std::stod(m[1]);
    }
    return r;
}

// When each stream of a program stream begins and ends, by its time stamps.
std::map<AVMediaType, std::pair<double, double>> streamSpans(const std::string& path) {
    std::map<AVMediaType, std::pair<double, double>> spans;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return spans;
    avformat_find_stream_info(ctx, nullptr);
    std::map<int, std::pair<double, double>> range;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ctx, pkt) >= 0) {
        const AVStream* st = ctx->streams[pkt->stream_index];
        if (pkt->pts != AV_NOPTS_VALUE) {
            const double from = pkt->pts * av_q2d(st->time_base);
            const double to = (pkt->pts + pkt->duration) * av_q2d(st->time_base);
            auto [it, fresh] = range.try_emplace(pkt->stream_index, from, to);
            it->second = {std::min(it->second.first, from), std::max(it->second.second, to)};
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    for (const auto& [index, r] : range)
        spans[ctx->streams[index]->codecpar->codec_type] = r;
    avformat_close_input(&ctx);
    return spans;
}

struct DiscFolder {
    std::string dir;
    explicit DiscFolder(const std::string& name) : dir(mivo::test::scratchFolder(name)) {
        fs::copy_file(MIVO_ENCODER_PROGRAM, dir + "/Dazuzer_024.exe");
        fs::create_directories(dir + "/DGDecode");
        fs::copy_file(MIVO_DECODER_LIBRARY, dir + "/DGDecode/DGDecode16.dll");
        fs::copy_file(MIVO_AVISYNTH_DOUBLE, dir + "/libavisynth.so");
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    int run(const std::string& environment = "") const {
        const std::string command = "cd '" + dir + "' && MIVO_FRAME_SERVER_LIBRARY='" +
                                    path("libavisynth.so") + "' " + environment +
                                    " ./Dazuzer_024.exe > stdout.txt 2> stderr.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string errors() const { return readText(path("stderr.txt")); }
    std::string log() const { return readText(path("enc.log")); }
    // Through the front-end: the scenario runner loads the ini and presses "encode" with the real back
    // end in a program folder of its own; the status line it ends with.
    std::string throughFrontEnd(const std::string& ini, const std::string& setup = "",
                                const std::string& beforeEncode = "") const {
        fs::create_directories(path("prog"));
        writeText(path("user.ini"), ini);
        writeText(path("disc.scn"), setup + "decoder 16 mpeg2\nencoder real\nstart\nanswer-file " +
                                        path("user.ini") + "\nclick main 1113\n" + beforeEncode +
                                        "click window 1003\nprint status\nclose\n");
        const std::string command =
            "QT_QPA_PLATFORM=offscreen '" MIVO_SCENARIO_RUNNER "' --program-folder '" + path("prog") + "' '" +
            path("disc.scn") + "' > '" + path("printed.txt") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << readText(path("printed.txt"));
        // A long status line breaks at a blank, which the runner prints as "\\n".
        std::string printed = readText(path("printed.txt"));
        for (std::size_t at = printed.find("\\n"); at != std::string::npos; at = printed.find("\\n", at))
            printed.replace(at, 2, " ");
        return printed;
    }
    // A program stream of `seconds` with a tone, as a camera or a recorder leaves it.
    std::string source(const std::string& size, const std::string& rate, const std::string& audio) const {
        const std::string vob = path("source.vob");
        int code = 0;
        shell("ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=" + size + ":rate=" + rate +
                  ":duration=5 -f lavfi -i sine=frequency=440:sample_rate=48000:duration=5 -c:v mpeg2video "
                  "-b:v 3M -c:a " +
                  audio + " -f vob '" + vob + "' 2>&1",
              &code);
        EXPECT_EQ(code, 0);
        mivo::test::indexProject({vob}, path("source.d2v"));
        return path("source.d2v");
    }
};

const std::string kChapters = "*CHAPTER          3\r\n10\r\n34\r\n70\r\n";

// The disc reads as one title of the encoded frames (10..89), chapters at 10, 34 and 70, one audio
// stream of the expected format as long as the video to the frame; the folder and its image alike.
void expectDisc(const DiscFolder& f, double fps, const std::string& audioFormat,
                const std::vector<long> chapterFrames = {24, 36, 20}, double seconds = 0) {
    if (seconds == 0) seconds = 80 / fps;
    for (const std::string& where : {f.path("dvd"), f.path("dvd.iso")}) {
        SCOPED_TRACE(where);
        const DiscReading r = lsdvd(where);
        EXPECT_EQ(r.titles, 1);
        EXPECT_EQ(std::lround(r.length * fps), std::lround(seconds * fps));
        std::vector<long> chapters;
        for (double length : r.chapters)
            chapters.push_back(std::lround(length * fps));
        EXPECT_EQ(chapters, chapterFrames);
        EXPECT_EQ(r.audioFormats, std::vector<std::string>{audioFormat});
        EXPECT_NEAR(r.fps, fps, 0.01);
    }
    // The audio the player finds in the title's program stream, by its time stamps.
    const auto spans = streamSpans(f.path("dvd/VIDEO_TS/VTS_01_1.VOB"));
    ASSERT_EQ(spans.count(AVMEDIA_TYPE_AUDIO), 1u);
    const auto [audioStart, audioEnd] = spans.at(AVMEDIA_TYPE_AUDIO);
    EXPECT_NEAR(audioEnd - audioStart, seconds, 1 / fps);
    // In sync: the first sound with the first picture (the tone and the pictures start together), to
    // within the audio frame a cut may begin in (32 ms at most).
    EXPECT_NEAR(audioStart, spans.at(AVMEDIA_TYPE_VIDEO).first, 0.033);
    EXPECT_TRUE(fs::exists(f.path("out.m2v")));
    // Nothing of the work is left beside the disc.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(f.path("dvd")))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"VIDEO_TS"});
}

std::string discIni(const DiscFolder& f, const std::string& input, const std::string& more = "",
                    const std::string& frames = "10 89") {
    return "*INFILE           " + input + "\r\n*OUTFILE          " + f.path("out.m2v") +
           "\r\n*FRAMES           " + frames +
           "\r\n*1PASS\r\n*BITRATE          4000\r\n*GOP              12 2\r\n"
           "*SILENT\r\n*LOGFILE          " +
           f.path("enc.log") + "\r\n*DVDFOLDER        " + f.path("dvd") + "\r\n*DVDISO           " +
           f.path("dvd.iso") + "\r\n" + kChapters + more;
}

// GOPs of 15 frames at most make GOPs of 0.4 s or more between these chapters (2 x 12, 3 x 12, 2 x 10),
// each a VOBU of the back end's own muxer.
TEST(DiscProgram, ASourceWithMpegAudioOnAPalDiscKeepsItsAudio) {
    DiscFolder f("disc-pal-mp2");
    const std::string status =
        f.throughFrontEnd(discIni(f, f.source("352x288", "25", "mp2"), "*GOP              15 2\r\n"));
    EXPECT_NE(
        status.find("encoding finished, disc in " + f.path("dvd") + "/VIDEO_TS and " + f.path("dvd.iso")),
        std::string::npos)
        << status << f.log();
    expectDisc(f, 25.0, "mpeg1");
    // Copied: cut in sync, with no lead-in that would need an encode.
    EXPECT_NE(f.log().find("disc: audio track 1 copied"), std::string::npos) << f.log();
    EXPECT_EQ(f.log().find("by mplex"), std::string::npos) << f.log();
}

// The back end multiplexes the title itself, except where its muxer would put a chapter in the VOBU
// before: a chapter on an I picture less than 0.4 s after the GOP before it (frame 40, 6 frames after
// the GOP at 34) goes through mplex, and the disc still has it at its frame.
TEST(DiscProgram, AChapterSoonAfterAGopStillStartsAtItsFrame) {
    DiscFolder f("disc-close-chapter");
    writeText(f.path("Mivo.ini"), discIni(f, f.source("352x288", "25", "mp2")) +
                                      "*CHAPTER          4\r\n10\r\n34\r\n40\r\n70\r\n");
    ASSERT_EQ(f.run(), 0) << f.errors();
    expectDisc(f, 25.0, "mpeg1", {24, 6, 30, 20});
    EXPECT_NE(readText(f.path("stdout.txt")).find("multiplexed again by mplex"), std::string::npos);
}

TEST(DiscProgram, AnNtscDiscCarriesItsMpegAudioAsAc3) {
    DiscFolder f("disc-ntsc-mp2");
    writeText(f.path("Mivo.ini"),
              discIni(f, f.source("352x240", "30000/1001", "mp2"), "*GOP              15 2\r\n"));
    ASSERT_EQ(f.run(), 0) << f.errors();
    expectDisc(f, 29.97, "ac3");
    EXPECT_NE(readText(f.path("stdout.txt")).find("converted to AC-3"), std::string::npos);
    EXPECT_EQ(readText(f.path("stdout.txt")).find("by mplex"), std::string::npos);
}

// Film with 3:2 pulldown plays at 29.97: 80 film frames are 100 on the disc, the chapters likewise.
TEST(DiscProgram, AFilmWithPulldownKeepsItsChaptersAtTheDiscRate) {
    DiscFolder f("disc-pulldown");
    writeText(f.path("Mivo.ini"), discIni(f, f.source("352x240", "24000/1001", "mp2"),
                                          "*PULLDOWN\r\n*GOP              15 2\r\n"));
    ASSERT_EQ(f.run(), 0) << f.errors();
    expectDisc(f, 29.97, "ac3", {30, 45, 25}, 80 / (24000.0 / 1001));
    EXPECT_EQ(readText(f.path("stdout.txt")).find("by mplex"), std::string::npos);
}

TEST(DiscProgram, AVideoFileWithAacAudioGivesAnAc3Track) {
    DiscFolder f("disc-video-file-aac");
    int code = 0;
    shell(
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=352x288:rate=25:duration=5 -f lavfi -i "
        "sine=frequency=440:sample_rate=44100:duration=5 -c:v mpeg4 -q:v 3 -c:a aac '" +
            f.path("clip.mp4") + "' 2>&1",
        &code);
    ASSERT_EQ(code, 0);
    writeText(f.path("Mivo.ini"), discIni(f, f.path("clip.mp4")));
    ASSERT_EQ(f.run(), 0) << f.errors();
    expectDisc(f, 25.0, "ac3");
}

TEST(DiscProgram, AScriptTakesItsAudioFromTheAudioFile) {
    DiscFolder f("disc-script-audio-file");
    writeText(f.path("clip.avs"),
              "synthetic-source\nsize 352 288\nrate 25 1\nframes 100\nramp from 0\npixel YV12\n");
    int code = 0;
    shell("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=frequency=300:sample_rate=44100:duration=4 "
          "-c:a aac '" +
              f.path("music.m4a") + "' 2>&1",
          &code);
    ASSERT_EQ(code, 0);
    writeText(f.path("Mivo.ini"),
              discIni(f, f.path("clip.avs"), "*AUDIOFILE        " + f.path("music.m4a") + "\r\n"));
    ASSERT_EQ(f.run(), 0) << f.errors();
    expectDisc(f, 25.0, "ac3");
}

// A muxer that fails by itself is the reason given, not the author's refusal of the empty stream it left.
TEST(DiscSteps, AMuxerFailingByItselfGivesItsOwnReason) {
    const std::string dir = mivo::test::scratchFolder("disc-bad-stream");
    writeText(dir + "/bad.m2v", "not a video stream");
    TitleFacts title;
    title.frameCount = 25;
    std::string error;
    EXPECT_FALSE(makeDisc(
        {dir + "/dvd", "", "", 1}, title, {dir + "/bad.m2v", {}, false}, [](const std::string&) {}, error));
    EXPECT_NE(error.find("cannot multiplex the title: cannot read " + dir + "/bad.m2v"), std::string::npos)
        << error;
    EXPECT_FALSE(fs::exists(dir + "/dvd"));
}

// A video stream our own reading of the pictures leaves alone (MPEG-1) is read by libavformat as
// before: the disc has its title (to within a frame, as it always read).
TEST(DiscSteps, AStreamOurSplitDoesNotReadStillMakesTheDisc) {
    const std::string dir = mivo::test::scratchFolder("disc-mpeg1");
    const std::string video = dir + "/title.m2v";
    fs::copy_file(mivo::test::makeStream({.width = 352, .height = 288, .frames = 48, .mpeg1 = true}), video);
    TitleFacts title;
    title.frameCount = 48;
    std::string error;
    ASSERT_TRUE(makeDisc(
        {dir + "/dvd", "", "", 1}, title, {video, {}, false}, [](const std::string&) {}, error))
        << error;
    const DiscReading r = lsdvd(dir + "/dvd");
    EXPECT_EQ(r.titles, 1);
    EXPECT_NEAR(r.length * 25, 48, 1.01);
}

// The source's second audio track is the one copied when *AUDIOTRACK asks for it, the streams counted
// in the order the source's program stream has them (MPEG audio first, then AC-3).
TEST(DiscSteps, TheSecondAudioTrackOfTheSourceIsTheOneCopied) {
    const std::string dir = mivo::test::scratchFolder("disc-second-track");
    int code = 0;
    shell(
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=352x288:rate=25:duration=3 -f lavfi -i "
        "sine=frequency=440:sample_rate=48000:duration=3 -map 0:v -map 1:a -map 1:a -c:v mpeg2video -b:v 3M "
        "-c:a:0 mp2 -c:a:1 ac3 -f vob '" +
            dir + "/source.vob' && ffmpeg -nostdin -loglevel error -y -i '" + dir +
            "/source.vob' -map 0:v -c copy -f mpeg2video '" + dir + "/title.m2v' 2>&1",
        &code);
    ASSERT_EQ(code, 0);
    TitleFacts title;
    title.frameCount = 75;
    for (int track : {1, 2}) {
        SCOPED_TRACE(track);
        const std::string dvd = dir + "/dvd" + std::to_string(track);
        std::string log, error;
        ASSERT_TRUE(makeDisc(
            {dvd, "", "", track}, title, {dir + "/title.m2v", {dir + "/source.vob"}, true},
            [&](const std::string& line) { log += line + "\n"; }, error))
            << error;
        EXPECT_NE(log.find("audio track " + std::to_string(track) + " copied"), std::string::npos) << log;
        EXPECT_EQ(lsdvd(dvd).audioFormats, std::vector<std::string>{track == 1 ? "mpeg1" : "ac3"});
    }
}

// A folder name full of what a shell reads is still one name to every step, and runs nothing.
TEST(DiscProgram, FolderNamesTheShellWouldSplitAreKept) {
    DiscFolder f("disc-odd-names");
    const std::string odd = f.path("it's a \"disc\"; $(touch pwned) `touch pwned`");
    writeText(f.path("Mivo.ini"),
              discIni(f, f.source("352x288", "25", "mp2")) + "*DVDFOLDER        " + odd + "\r\n");
    ASSERT_EQ(f.run(), 0) << f.errors();
    EXPECT_FALSE(fs::exists(f.path("pwned")));
    fs::create_directory_symlink(odd, f.path("plain"));
    const DiscReading r = lsdvd(f.path("plain"));
    EXPECT_EQ(r.titles, 1);
    EXPECT_EQ(r.chapters.size(), 3u);
}

// A step that cannot be done ends the run non-zero with its reason and leaves no VIDEO_TS and no image.
// What can be known before the encode (the tools, the audio, a folder that cannot be written) refuses
// before it, so the stream already there stays as it was; what only the encode tells (the space its
// stream needs) refuses after it, and the new stream stays.
TEST(DiscProgram, ARefusedStepLeavesNoDiscBehind) {
    DiscFolder f("disc-refused");
    const std::string project = f.source("352x288", "25", "mp2");
    const std::string earlier = "the stream of an earlier encode";
    const auto refused = [&](const std::string& dvd, const std::string& reason, const std::string& env = "",
                             const std::string& more = "", bool beforeEncode = true) {
        SCOPED_TRACE(reason);
        writeText(f.path("out.m2v"), earlier);
        writeText(f.path("Mivo.ini"),
                  discIni(f, project, more, "10 21") + "*DVDFOLDER        " + dvd + "\r\n");
        EXPECT_EQ(f.run(env), 1);
        EXPECT_NE(f.errors().find(reason), std::string::npos) << f.errors();
        if (beforeEncode)
            EXPECT_EQ(readText(f.path("out.m2v")), earlier);
        else
            EXPECT_GT(fs::file_size(f.path("out.m2v")), earlier.size());
        EXPECT_FALSE(fs::exists(dvd + "/VIDEO_TS"));
        EXPECT_FALSE(fs::exists(f.path("dvd.iso")));
        if (fs::exists(dvd)) {
            EXPECT_TRUE(fs::is_empty(dvd));
        }
    };
    // Tools found one by one: each missing one is named with its package.
    const std::string bin = f.path("bin");
    fs::create_directories(bin);
    const std::string path = "PATH='" + bin + "'";
    refused(f.path("dvd"), "mplex, which is not installed (Debian package mjpegtools)", path);
    // The front-end says it before it starts the encoder.
    writeText(f.path("out.m2v"), earlier);
    const std::string status =
        f.throughFrontEnd(discIni(f, project, "", "10 21"), "env PATH " + bin + "\n", "answer-yes\n");
    EXPECT_NE(status.find("the disc needs mplex, which is not installed (Debian package mjpegtools), encode "
                          "not started"),
              std::string::npos)
        << status;
    EXPECT_EQ(readText(f.path("out.m2v")), earlier);
    EXPECT_FALSE(fs::exists(f.path("dvd/VIDEO_TS")));
    fs::create_symlink(shell("command -v mplex | tr -d '\\n'"), bin + "/mplex");
    refused(f.path("dvd"), "ffmpeg, which is not installed (Debian package ffmpeg)", path);
    // A multiplexer that fails fails the disc, with its own words.
    const std::string fake = f.path("fake");
    fs::create_directories(fake);
    writeText(fake + "/mplex", "#!/bin/sh\necho 'mplex: the stream cannot be multiplexed' >&2\nexit 1\n");
    fs::permissions(fake + "/mplex", fs::perms::owner_all);
    for (const char* tool : {"ffmpeg"})
        fs::create_symlink(shell(std::string("command -v ") + tool + " | tr -d '\\n'"), fake + "/" + tool);
    // (A chapter 5 frames after the first GOP: the title goes through mplex.)
    refused(f.path("dvd"), "mplex failed: mplex: the stream cannot be multiplexed", "PATH='" + fake + "'",
            "*CHAPTER          2\r\n10\r\n15\r\n", false);
    // A multiplexer whose output is no DVD program stream: the author refuses it with its reason.
    writeText(fake + "/mplex", "#!/bin/sh\nprintf '%6000d' 0\n");
    refused(f.path("dvd"), "the title's program stream is not in DVD packs", "PATH='" + fake + "'",
            "*CHAPTER          2\r\n10\r\n15\r\n", false);
    // A folder that cannot be made.
    writeText(f.path("file"), "x");
    refused(f.path("file/dvd"), "cannot create the DVD folder");
    // A broken audio file, and a track the source does not have.
    writeText(f.path("bad.ac3"), "not audio");
    refused(f.path("dvd"), "cannot read the audio of", "", "*AUDIOFILE        " + f.path("bad.ac3") + "\r\n");
    refused(f.path("dvd"), "has 1 audio track(s); *AUDIOTRACK asks for track 2", "",
            "*AUDIOTRACK       2\r\n");
    // A disk with no room, and one that turns read-only.
    mivo::test::SmallDisk disk(64 << 10);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    refused(disk.folder() + "dvd", "not enough space for the disc", "", "", false);
    disk.makeReadOnly();
    refused(disk.folder() + "dvd", "cannot create the DVD folder");
}

} // namespace
} // namespace mivo::encoder::disc
