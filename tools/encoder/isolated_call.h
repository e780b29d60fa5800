#pragma once
// A call made in a child process, so that a fault inside a library it uses cannot take the encoder down
// with it. libavcodec frees its rate-control expression twice when its two-pass rate control refuses
// the statistics (a bitrate too low for the video), which aborts the process; asked in a child first,
// the refusal becomes a message.

#include <functional>

namespace mivo::encoder {

// True when `call` returned true. Where processes cannot be forked the call runs in this process.
// Only to be used while this process runs no other thread.
bool succeedsInIsolation(const std::function<bool()>& call);

} // namespace mivo::encoder
