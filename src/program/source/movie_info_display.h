#pragma once
// What the Main page shows about the open source (size, rate, format, frame count, lengths, the file
// size estimate), the warnings a newly opened source gets against the DVD-Video rules, the lossless size
// estimate of Settings 3 and the three file buttons' labels.

#include "program/source/source_context.h"

namespace mivo {

void showMovieInfo(SourceContext& ctx);
void showFileLength(SourceContext& ctx);
// DVD checks after a source opened: warnings appended to the status line, filmRate set, 1088 coded
// lines repaired to 1080.
void checkFrameRateAndSize(SourceContext& ctx);
void refreshLosslessEstimate(SourceContext& ctx);
// Button labels of the three files and the enabling of the output, log and encode buttons.
void showFileNames(SourceContext& ctx);

} // namespace mivo
