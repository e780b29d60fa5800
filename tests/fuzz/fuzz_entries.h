#pragma once
// What the fuzz targets run, kept apart from libFuzzer so that a normal test replays the corpus.
// A broken invariant aborts, which the fuzzer reports as a crash.

#include <cstddef>
#include <cstdint>

namespace mivo::fuzz {

// Project text: parse it; when it parses, build the frame lists and check that the project survives
// a write and a second read unchanged.
void projectReader(const std::uint8_t* data, std::size_t size);

// Stream bytes (the first byte chooses elementary, program or transport, and the packet size): split
// into access units from the start and from a few line positions.
void streamParser(const std::uint8_t* data, std::size_t size);

} // namespace mivo::fuzz
