#pragma once
// After any file operation (input, output, log, ini, chapter and pan-scan files) and at start-up, every
// control that depends on the source or the file names is brought up to date.

#include "program/source/source_context.h"

namespace mivo {

void refreshAfterFileChange(SourceContext& ctx);

} // namespace mivo
