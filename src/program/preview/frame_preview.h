#pragma once
// The preview the Chapters, Zones and PanScan pages share: the current frame and its navigation, the
// picture built from the frame planes and shown in the three picture boxes, and "create bitmap".

#include "core/control_model.h"
#include "core/picture/picture_buffer.h"

#include <functional>

namespace mivo {

class Program;

// The keys the preview pages answer, each like a stepping button; First and Last go to either end.
enum class PreviewKey { StepBack, StepForward, LargeBack, LargeForward, First, Last };

class FramePreview {
  public:
    explicit FramePreview(Program& program);

    // A stepping button, the current-frame field (its text changed) or the slider of a preview page.
    void navigate(PageId page, int id);
    // The current-frame field lost the focus: it shows the current frame again.
    void fieldLeft(PageId page);
    // A key pressed on a preview page whose navigation is enabled.
    void key(PageId page, PreviewKey key);
    // Fetches the current frame, shows it on the three pages and sets their sliders and current-frame
    // fields. Without a source, or when the frame cannot be fetched, the boxes show nothing.
    void showCurrentFrame();
    // "create bitmap": the current frame fetched afresh, written to the program folder.
    void createBitmap();
    // A line chosen in a list box: `frame`, held to the source, becomes the current frame; the picture,
    // the sliders and the current-frame fields of the three pages follow. False when the frame cannot
    // be fetched (nothing changes then).
    bool showFrame(int frame);
    // Told of every move of the current frame by a stepping button, a key or the slider of `page`
    // (not of a number typed into the current-frame field).
    void setStepListener(std::function<void(PageId page)> listener) { stepListener_ = std::move(listener); }

    // The colour conversion the processor level chose.
    void setConversion(YuvToBgrFn convert) { picture_.setConversion(convert); }

    const picture::PictureBuffer& picture() const { return picture_; }

  private:
    bool hasFrames() const;
    bool fetchAndBuild(int frame);
    void showPicture();
    void setSliders(int frame);
    bool moveTo(int frame);
    void stepTo(PageId page, int frame);
    void fieldChanged(PageId page);
    void sliderMoved(PageId page);

    Program& p_;
    picture::PictureBuffer picture_;
    std::function<void(PageId)> stepListener_;
};

// The current-frame field of a preview page: 1811 on PanScan, 1603 on the other two.
int currentFrameField(PageId page);

} // namespace mivo
