// Makes the media of the real-decoder scenario: MPEG streams from the test stream maker, indexed by the
// d2vindex program as a user would run it. usage: make_scenario_media D2VINDEX FOLDER
#include "stream_maker.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace mivo::test;

void indexWithProgram(const std::string& program, const std::string& options, const std::string& project,
                      const std::vector<std::string>& inputs) {
    std::string command = program + " -q " + options + " -o " + project;
    for (const std::string& input : inputs)
        command += " " + input;
    if (std::system(command.c_str()) != 0) throw std::runtime_error("d2vindex failed: " + command);
}

std::string copyInto(const std::string& stream, const std::string& folder, const std::string& name) {
    const std::string target = folder + "/" + name;
    std::filesystem::copy_file(stream, target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_scenario_media D2VINDEX FOLDER\n");
        return 2;
    }
    const std::string program = argv[1], folder = argv[2];
    try {
        std::filesystem::create_directories(folder);
        // A DVD title: PAL, interlaced, in three VOB files cut at pack boundaries.
        StreamSpec dvd{.frames = 40, .interlaced = true, .container = Container::program};
        const std::string title = makeStream(dvd);
        const std::uint64_t size = std::filesystem::file_size(title);
        const std::vector<std::string> parts =
            splitFile(title, {size / 3 / 2048 * 2048, 2 * size / 3 / 2048 * 2048}, folder, "VTS_01");
        indexWithProgram(program, "", folder + "/dvd.d2v", parts);
        // NTSC film with soft pulldown in a transport stream: 36 coded frames shown as 45.
        const StreamSpec film = ntscFilm(Container::transport);
        indexWithProgram(program, "", folder + "/film.d2v", {copyInto(makeStream(film), folder, "film.ts")});
        // The same film forced back to 23.976 frames per second.
        indexWithProgram(program, "-f 1", folder + "/forced.d2v", {folder + "/film.ts"});
        // 4:2:2 studio video: delivered as YUY2.
        StreamSpec studio{.frames = 24, .interlaced = true, .yuv422 = true, .container = Container::program};
        indexWithProgram(program, "", folder + "/studio.d2v",
                         {copyInto(makeStream(studio), folder, "studio.mpg")});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_scenario_media: %s\n", e.what());
        return 1;
    }
    return 0;
}
