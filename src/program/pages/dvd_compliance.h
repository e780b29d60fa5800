#pragma once
// The Main page's "make DVD compliant": the DVD-relevant options are brought into the DVD-Video limits
// through the controls (each page's own handling carries them into the settings), and a frame size a
// DVD cannot hold is reported.

#include "program/source/source_context.h"

namespace mivo {

void makeDvdCompliant(SourceContext& ctx);

} // namespace mivo
