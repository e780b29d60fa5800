#pragma once
// The image of a DVD-Video folder as players read it: an ISO 9660 file system bridged with UDF 1.02,
// both pointing to the same file data, the VIDEO_TS files in the order their IFO files count on
// (VIDEO_TS.IFO, VIDEO_TS.VOB, VIDEO_TS.BUP, then each title set's IFO, menu VOB, title VOBs, BUP), each
// contiguous from a sector boundary. The file data goes from the folder into the image in the kernel.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mivo::encoder::disc {

// Writes the image of `folder`/VIDEO_TS to `image` (the caller's temporary name; an empty AUDIO_TS
// beside it, as the DVD-Video layout has). False with the reason; then no image is left behind.
bool writeDvdImage(const std::string& folder, const std::string& image, const std::string& volumeLabel,
                   std::string& error);

// The VIDEO_TS file names in the order their data lies in the image. Names that are no DVD-Video file
// come last, by name.
std::vector<std::string> dvdFileOrder(std::vector<std::string> names);

// The CRC of a UDF descriptor tag (CRC-16 CCITT, x^16 + x^12 + x^5 + 1, starting from 0).
std::uint16_t udfCrc(const std::uint8_t* data, std::size_t size);

} // namespace mivo::encoder::disc
