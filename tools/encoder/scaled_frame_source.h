#pragma once
// The source's pictures at the size *FRAMESIZE asks for: each frame scaled with libswscale into a frame
// of that size, the source's display aspect kept within the frame's *ASPECT by black borders. The
// encoder sees only the scaled frames, so every later step (masks, levels, DVD limits) judges the size
// it writes.

#include "frame_source.h"

#include "core/picture/frame_fit.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SwsContext;

namespace mivo::encoder {

class ScaledFrameSource final : public FrameSource {
  public:
    // Null with a message when the scaler cannot be made for these sizes.
    static std::unique_ptr<ScaledFrameSource> create(std::unique_ptr<FrameSource> source, int width,
                                                     int height, int aspectCode, std::string& error);
    ~ScaledFrameSource() override;

    const std::uint8_t* frame(int n) const override;
    std::unique_ptr<FrameSource> twin(std::string& error) const override;
    int progressiveFrames(int first, int last) const override;

    const PictureArea& area() const { return area_; }
    // Interlaced pictures are scaled one field at a time, so that no line of one field is mixed into the
    // other; false when the sizes do not split into fields (a source height that is no multiple of 4).
    bool scaleFields(bool on);
    bool fieldsScaled() const { return fields_; }

  private:
    ScaledFrameSource() = default;
    static std::unique_ptr<ScaledFrameSource> make(std::unique_ptr<FrameSource> source, int width, int height,
                                                   int aspectCode, const PictureArea& area,
                                                   std::string& error);
    bool prepare(std::string& error);

    std::unique_ptr<FrameSource> source_;
    int aspectCode_ = 3;
    PictureArea area_;
    // One scaler for whole frames and one per field, whose chroma lies at its own place between the
    // field's lines.
    SwsContext* frameScaler_ = nullptr;
    std::array<SwsContext*, 2> fieldScalers_{};
    bool fields_ = false;
    mutable std::vector<std::uint8_t> picture_; // borders filled once, the picture area rewritten per frame
};

} // namespace mivo::encoder
