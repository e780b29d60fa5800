// Makes the video files the runner's video-file scenario opens, in a folder of their own without any
// index, so that the scenario sees the first open's indexing every time.
// usage: make_video_media FOLDER
#include "clip_maker.h"

#include <cstdio>
#include <exception>
#include <filesystem>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_video_media FOLDER\n");
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        fs::remove_all(folder);
        fs::create_directories(folder);
        // 1080p H.264 with English stereo, cut between four different pictures at frames 30, 55 and 81.
        const std::string clip = mivo::test::makeClip(
            "cuts_1080p.mkv",
            "-f lavfi -i 'testsrc2=s=1920x1080:r=25,trim=end_frame=30[a];"
            "mandelbrot=s=1920x1080:r=25,trim=end_frame=25,setpts=PTS-STARTPTS[b];"
            "smptebars=s=1920x1080:r=25,trim=end_frame=26,setpts=PTS-STARTPTS[c];"
            "rgbtestsrc=s=1920x1080:r=25,trim=end_frame=19,setpts=PTS-STARTPTS,format=yuv420p[d];"
            "[a][b][c][d]concat=n=4,format=yuv420p[out0]' "
            "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=4 -c:v libx264 -preset veryfast -g 40 "
            "-c:a aac -ac 2 -metadata:s:a:0 language=eng");
        fs::copy_file(clip, folder / "cuts_1080p.mkv");
        // Not a video file at all, and a sound without pictures.
        if (mivo::test::run("ffmpeg -v error -y -f lavfi -i sine=d=1 '" + (folder / "tone.wav").string() +
                            "'") != 0)
            return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
