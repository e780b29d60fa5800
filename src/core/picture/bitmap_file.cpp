#include "core/picture/bitmap_file.h"

#include "base/whole_file.h"

namespace mivo::picture {

std::string bitmapFileName(int frame) {
    // Made from the frame number rather than the field's text, which may still hold what the user typed:
    // a name must never carry a path separator into the folder it is written to.
    std::string name = std::to_string(frame) + ".bmp";
    constexpr std::size_t kField = 10;
    if (name.size() < kField) name.insert(0, kField - name.size(), '0');
    return name;
}

bool writeBitmapFile(const PictureBuffer& picture, const std::string& folder, int frame, std::string& path,
                     WriteFailure* failure) {
    path = folder + bitmapFileName(frame);
    if (!picture.empty()) return writeWholeFile(path, picture.fileImage(), failure);
    if (failure) *failure = WriteFailure::Open;
    return false;
}

} // namespace mivo::picture
