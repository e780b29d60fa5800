#pragma once
// "create bitmap": the picture saved as a bitmap file named after the frame it shows.

#include "base/whole_file.h"
#include "core/picture/picture_buffer.h"

#include <string>

namespace mivo::picture {

// The frame number followed by ".bmp", right-aligned in 10 characters with zeros in front: frame 7 gives
// "000007.bmp". Numbers of more than six digits keep every digit and the extension.
std::string bitmapFileName(int frame);

// Writes the picture's file image whole to `folder` (which ends with its separator) under the frame's
// name, replacing a file of that name. `path` receives the full path. False, with nothing changed on
// disk, when there is no picture (`failure` Open) or the file cannot be written (`failure` names the step).
bool writeBitmapFile(const PictureBuffer& picture, const std::string& folder, int frame, std::string& path,
                     WriteFailure* failure = nullptr);

} // namespace mivo::picture
