#include "fuzz_entries.h"

#include "d2v_project.h"
#include "d2v_writer.h"
#include "file_set.h"
#include "frame_list.h"
#include "unit_reader.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace mivo::fuzz {

namespace {

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

} // namespace

void projectReader(const std::uint8_t* data, std::size_t size) {
    using namespace mivo::mpeg2;
    const ProjectParse parsed = parseD2vProject(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.ok) {
        require(!parsed.error.empty(), "a refused project says why");
        return;
    }
    const D2vProject& p = parsed.project;
    require(!p.lines.empty() && !p.files.empty(), "a project has lines and files");
    std::uint32_t next = 0;
    for (const D2vLine& line : p.lines) {
        require(line.firstFrame == next && line.frameCount > 0, "lines cover the frames in order");
        require(line.file >= 0 && line.file < static_cast<int>(p.files.size()), "lines name listed files");
        next += line.frameCount;
    }
    require(next == p.flags.size(), "lines cover every frame");

    const std::vector<OutputFrame> frames = buildOutputFrames(p);
    require(frames.size() <= p.flags.size() * 3, "at most three output frames per coded frame");
    for (const OutputFrame& f : frames) {
        require(f.top < p.flags.size() && f.bottom < p.flags.size(), "output frames name coded frames");
        require(decodableStandIn(p, f.top) < p.flags.size(), "stand-ins are coded frames");
        const std::size_t line = lineOfFrame(p, f.top);
        require(f.top >= p.lines[line].firstFrame &&
                    f.top < p.lines[line].firstFrame + p.lines[line].frameCount,
                "a frame lies in the line found for it");
    }

    // Written as format 16 and read again, the project says the same.
    const std::string text = formatD2vProject(p, ProjectTrailer{});
    const ProjectParse again = parseD2vProject(text);
    require(again.ok, "a written project reads back");
    const D2vProject& q = again.project;
    require(q.files == p.files && q.flags == p.flags && q.lines.size() == p.lines.size(),
            "same files and frames");
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
        const D2vLine &a = p.lines[i], &b = q.lines[i];
        require(a.info == b.info && a.matrix == b.matrix && a.file == b.file && a.position == b.position &&
                    a.skip == b.skip && a.vob == b.vob && a.cell == b.cell && a.frameCount == b.frameCount,
                "same lines");
    }
    require(q.streamType == p.streamType && q.fieldOperation == p.fieldOperation && q.mpegType == p.mpegType,
            "same settings");
    require(q.rateNum == p.rateNum && q.rateDen == p.rateDen, "same frame rate");
}

void streamParser(const std::uint8_t* data, std::size_t size) {
    using namespace mivo::mpeg2;
    if (size < 2) return;
    DemuxSettings settings;
    settings.type = static_cast<StreamType>(data[0] % 3);
    static constexpr int kSizes[3] = {188, 192, 204};
    settings.packetSize = kSizes[(data[0] / 3) % 3];
    FileSet files;
    files.openMemory(data + 1, size - 1);
    UnitReader reader(files, settings);
    reader.seek(0);
    AccessUnit unit;
    std::vector<std::uint64_t> intra;
    std::size_t units = 0;
    while (reader.next(unit)) {
        require(unit.size >= 4 && unit.data[0] == 0 && unit.data[1] == 0 && unit.data[2] == 1,
                "a unit starts with a start code");
        require(unit.startOrigin < files.size() && unit.indexOrigin < files.size(),
                "origins lie in the stream");
        if (unit.type == kPictureI && intra.size() < 4) intra.push_back(unit.indexOrigin);
        require(++units <= size, "no more units than bytes");
    }
    // Garbage may resynchronise differently from another starting point, so finding the picture again
    // is not guaranteed; what is found must still be an I picture.
    for (std::uint64_t position : intra) {
        AccessUnit found;
        if (reader.seekLine(position, 0, found))
            require(found.type == kPictureI, "the unit found is an I picture");
    }
}

} // namespace mivo::fuzz
