#pragma once
// Where the scan shows its progress: the slider position for the frame being scanned, reported only when
// it moved on, so the window is touched at most once per slider step.

#include <optional>

namespace mivo {

class ScanProgress {
  public:
    static constexpr int kSliderMax = 1000; // the preview slider's range

    explicit ScanProgress(int frameCount, int sliderMax = kSliderMax)
        : frameCount_(frameCount), sliderMax_(sliderMax) {}

    // The position NINT(sliderMax x n / frameCount), reckoned in single precision, when it is past the
    // last position reported (0 at the start); nothing otherwise.
    std::optional<int> advance(int n);

  private:
    int frameCount_, sliderMax_, lastProgress_ = 0;
};

} // namespace mivo
