#include "clip_maker.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <unistd.h>

namespace mivo::test {

namespace fs = std::filesystem;

namespace {

// x264 keeps its open GOP and pyramid only with scene cuts off and a fixed key interval.
const char* const kX264OpenGop =
    "-c:v libx264 -preset veryfast -x264-params open-gop=1:b-pyramid=normal:bframes=3:keyint=30:scenecut=0";

} // namespace

const std::vector<Clip>& fixtureClips() {
    static const std::vector<Clip> clips = {
        {"opengop_pyramid.mkv", kX264OpenGop, "testsrc2=s=352x288:r=25:d=8", ""},
        {"h264_23976.mp4", "-c:v libx264 -preset veryfast -bf 3 -g 48", "testsrc2=s=320x240:r=24000/1001:d=6",
         ""},
        {"mbaff.ts", "-c:v libx264 -preset veryfast -flags +ildct+ilme -x264-params tff=1:keyint=25 -bf 2",
         "testsrc2=s=352x288:r=25:d=6", ""},
        {"hevc.mkv",
         "-c:v libx265 -preset ultrafast -x265-params log-level=error:keyint=30:open-gop=1:bframes=4",
         "testsrc2=s=352x288:r=25:d=6", ""},
        {"mpeg4.avi", "-c:v mpeg4 -bf 2 -g 30", "testsrc2=s=352x288:r=25:d=6", ""},
        {"camera.mov", "-c:v libx264 -preset veryfast -g 30 -c:a aac -ac 2 -metadata:s:a:0 language=fra",
         "testsrc2=s=320x240:r=30000/1001:d=4", ""},
        {"h264_10bit.mkv", "-c:v libx264 -preset veryfast -pix_fmt yuv420p10le -g 25",
         "testsrc2=s=352x288:r=25:d=4", "format=yuv420p"},
        // Frames at 25 per second with every fifth slot missing, then a burst at twice the rate.
        {"vfr.mkv",
         "-vf setpts='if(lt(N\\,60)\\,N+floor(N/4)\\,75+(N-60)/2)/25/TB' -fps_mode vfr -c:v libx264 -preset "
         "veryfast -g 20",
         "testsrc2=s=320x240:r=25:d=6", "fps=R"},
        // Damaged time stamps: ten hours pass between two frames; served frame by frame as they come.
        {"leap.mkv", "-vf setpts='PTS+gte(N\\,50)*900000' -fps_mode vfr -c:v libx264 -preset veryfast -g 25",
         "testsrc2=s=320x240:r=25:d=4", ""},
        {"cut_short.ts", "-c:v libx264 -preset veryfast -g 25", "testsrc2=s=352x288:r=25:d=6", "", 63},
        // Four scenes, cut at frames 30, 55 and 81.
        {"cuts.mkv", "-c:v libx264 -preset veryfast -g 40",
         "testsrc2=s=352x288:r=25,trim=end_frame=30[a];"
         "mandelbrot=s=352x288:r=25,trim=end_frame=25,setpts=PTS-STARTPTS[b];"
         "smptebars=s=352x288:r=25,trim=end_frame=26,setpts=PTS-STARTPTS[c];"
         "cellauto=s=352x288:r=25,trim=end_frame=19,setpts=PTS-STARTPTS,format=yuv420p[d];"
         "[a][b][c][d]concat=n=4,format=yuv420p[out0]",
         ""},
        // A recording that begins in the middle of an open group of pictures.
        {"starts_mid_gop.ts", kX264OpenGop, "testsrc2=s=352x288:r=25:d=6", "", 100, 37},
        // Its index at the front, so the file lists a last picture it holds only in part.
        {"cut_short_faststart.mp4", "-c:v libx264 -preset veryfast -g 25 -movflags +faststart",
         "testsrc2=s=352x288:r=25:d=6", "", 63},
        {"large.mkv", "-c:v libx264 -preset ultrafast -g 10", "testsrc2=s=2560x1440:r=25:d=1", "scale=W:H"},
    };
    return clips;
}

const Clip& clipNamed(const std::string& name) {
    for (const Clip& c : fixtureClips())
        if (name == c.name) return c;
    throw std::runtime_error("no fixture clip " + name);
}

int run(const std::string& command) {
    return std::system(command.c_str());
}

std::string makeClip(const std::string& name, const std::string& arguments) {
    const fs::path folder = MIVO_VIDEO_TEST_CACHE;
    fs::create_directories(folder);
    const fs::path path = folder / name;
    if (fs::exists(path)) return path.string();
    // Tests run side by side may make the same clip at once: each writes its own file, the rename decides.
    const fs::path temporary = folder / ("making-" + std::to_string(::getpid()) + "-" + name);
    if (run("ffmpeg -v error -y " + arguments + " '" + temporary.string() + "'") != 0)
        throw std::runtime_error("ffmpeg could not make " + name);
    fs::rename(temporary, path);
    return path.string();
}

std::string clipPath(const Clip& clip) {
    const std::string audio = std::string(clip.encode).find("-c:a") != std::string::npos
                                  ? " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=4"
                                  : "";
    if (clip.cutPercent >= 100 && clip.startPercent == 0)
        return makeClip(clip.name,
                        std::string("-f lavfi -i '") + clip.source + "'" + audio + " " + clip.encode);
    // A cut-short copy of the whole clip: the last packets end in the middle.
    const std::string whole = makeClip(std::string("whole-") + clip.name,
                                       std::string("-f lavfi -i '") + clip.source + "' " + clip.encode);
    const fs::path path = fs::path(MIVO_VIDEO_TEST_CACHE) / clip.name;
    if (!fs::exists(path)) {
        const auto whole_size = fs::file_size(whole);
        const auto end = whole_size * static_cast<std::uintmax_t>(clip.cutPercent) / 100;
        const auto start = whole_size * static_cast<std::uintmax_t>(clip.startPercent) / 100 / 188 * 188;
        std::ifstream in(whole, std::ios::binary);
        std::string bytes(end, '\0');
        in.read(bytes.data(), static_cast<std::streamsize>(end));
        const fs::path temporary = path.string() + "-" + std::to_string(::getpid());
        std::ofstream(temporary, std::ios::binary)
            .write(bytes.data() + start, static_cast<std::streamsize>(end - start));
        fs::rename(temporary, path);
    }
    return path.string();
}

std::vector<std::vector<std::uint8_t>> referenceFrames(const std::string& path, const std::string& filter,
                                                       int width, int height) {
    const fs::path raw = fs::path(MIVO_VIDEO_TEST_CACHE) / (fs::path(path).filename().string() + "-" +
                                                            std::to_string(::getpid()) + ".reference.yuv");
    const std::string vf = filter.empty() ? "" : " -vf " + filter;
    if (run("ffmpeg -v error -y -threads 1 -i '" + path + "' -map 0:v:0 -fps_mode passthrough" + vf +
            " -sws_flags bicubic -pix_fmt yuv420p -f rawvideo '" + raw.string() + "'") != 0)
        throw std::runtime_error("ffmpeg could not decode " + path);
    std::ifstream in(raw, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    fs::remove(raw);
    const std::size_t luma = static_cast<std::size_t>(width) * height, chroma = luma / 4,
                      frame = luma + 2 * chroma;
    if (frame == 0 || bytes.size() % frame != 0)
        throw std::runtime_error("FFmpeg's frames of " + path + " are not " + std::to_string(width) + "x" +
                                 std::to_string(height));
    std::vector<std::vector<std::uint8_t>> frames(bytes.size() / frame);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const std::uint8_t* f = bytes.data() + i * frame;
        // FFmpeg writes U before V; the source serves V first.
        frames[i].reserve(frame);
        frames[i].insert(frames[i].end(), f, f + luma);
        frames[i].insert(frames[i].end(), f + luma + chroma, f + frame);
        frames[i].insert(frames[i].end(), f + luma, f + luma + chroma);
    }
    return frames;
}

} // namespace mivo::test
