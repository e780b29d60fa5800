#pragma once
// Indexes MPEG-1/2 video (elementary stream, program stream/VOB, transport stream; several files read as
// one stream) into a format-16 D2V project: one data line per I picture with its position, and one flag
// byte per coded frame in display order. Every line is verified by reading the stream back from its
// position, the way the decoder library will.

#include "d2v_project.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mivo::d2vindex {

struct IndexOptions {
    int fieldOperation = 0;     // written into the project: 0 honour pulldown, 1 force film, 2 ignore
    bool relativePaths = false; // list the inputs relative to the project's folder instead of in full
    std::string projectPath;    // where the project goes (the base of relative paths)
    // Called now and then with the share done, 0 to 1.
    std::function<void(double)> progress;
};

struct IndexResult {
    bool ok = false;
    std::string error;                 // what is wrong with the input, when !ok
    std::vector<std::string> warnings; // indexed anyway
    std::string text;                  // the project file's content
    mpeg2::D2vProject project;         // what the text says
    double filmPercent = 0.0;
};

IndexResult indexStreams(const std::vector<std::string>& inputs, const IndexOptions& options);

} // namespace mivo::d2vindex
