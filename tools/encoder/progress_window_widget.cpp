// The progress window itself, built as libmivo_progress_window.so: the only part of the encoder back end
// that links Qt Widgets. It reads the encode through the C interface of progress_window_abi.h.

#include "progress_window_abi.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

#define MIVO_WINDOW_EXPORT extern "C" __attribute__((visibility("default")))

namespace mivo::encoder {

namespace {

constexpr int kRefreshMs = 100;
constexpr int kPreviewWidth = 360;

// BT.601 studio range to RGB in 16.16 fixed point, the way the front-end's preview draws frames.
void pictureToImage(const std::uint8_t* planes, const MivoProgressState& o, QImage& image) {
    const int w = o.width, h = o.height, cw = w / 2;
    if (image.width() != w || image.height() != h) image = QImage(w, h, QImage::Format_RGB32);
    const std::size_t luma = static_cast<std::size_t>(w) * h;
    const std::size_t chroma = o.chroma422 ? luma / 2 : luma / 4;
    const std::uint8_t* cb = planes + luma;
    const std::uint8_t* cr = cb + chroma;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int cy = o.chroma422 ? y : y / 2;
        for (int x = 0; x < w; ++x) {
            const int yy = (planes[static_cast<std::size_t>(y) * w + x] - 16) * 76284;
            const int u = cb[cy * cw + x / 2] - 128, v = cr[cy * cw + x / 2] - 128;
            const auto clamp = [](int c) { return std::clamp(c >> 16, 0, 255); };
            row[x] = qRgb(clamp(yy + 104595 * v), clamp(yy - 25625 * u - 53281 * v), clamp(yy + 132252 * u));
        }
    }
}

// Bytes of a preview picture of this size: luma and two chroma planes.
std::size_t pictureBytes(const MivoProgressState& o) {
    const std::size_t luma = static_cast<std::size_t>(std::max(o.width, 0)) * std::max(o.height, 0);
    return luma + 2 * (o.chroma422 ? luma / 2 : luma / 4);
}

MivoProgressState stateOf(const MivoProgressFeed& feed) {
    MivoProgressState s{};
    feed.state(feed.context, &s);
    return s;
}

QString textOf(const char* text) {
    return QString::fromUtf8(text ? text : "");
}

class ProgressWindow : public QWidget {
  public:
    ProgressWindow(const MivoProgressFeed& feed, bool preview, int waitSeconds, bool seen)
        : feed_(feed), preview_(preview), waitSeconds_(waitSeconds), seen_(seen) {
        setWindowTitle("Dazuzer_024 encoding");
        auto* grid = new QGridLayout(this);
        grid->addWidget(&status_, 0, 0, 1, 2);
        grid->addWidget(&bar_, 1, 0, 1, 2);
        grid->addWidget(&message_, 2, 0, 1, 2);
        if (preview_) grid->addWidget(&picture_, 3, 0, 1, 2);
        grid->addWidget(&button_, 4, 1);
        message_.setWordWrap(true);
        button_.setText("Cancel");
        connect(&button_, &QPushButton::clicked, this, [this] {
            if (stateOf(feed_).finished)
                close();
            else
                feed_.cancel(feed_.context);
        });
        connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
        timer_.start(kRefreshMs);
        refresh();
    }

    void closeEvent(QCloseEvent* event) override {
        // Closing a running encode is a cancel; the window goes once the encoder has stopped.
        if (!stateOf(feed_).finished) {
            feed_.cancel(feed_.context);
            event->ignore();
            return;
        }
        QWidget::closeEvent(event);
    }

  private:
    void refresh() {
        const MivoProgressState s = stateOf(feed_);
        status_.setText(textOf(s.status));
        bar_.setRange(0, std::max(1, s.frames));
        bar_.setValue(s.frame);
        message_.setText(textOf(s.message));
        if (preview_ && s.previewSerial != shownSerial_) {
            std::size_t bytes = 0;
            const std::uint8_t* planes = feed_.preview(feed_.context, &bytes);
            // A picture smaller than its size says would be read past its end.
            if (planes && s.width > 0 && s.height > 0 && bytes >= pictureBytes(s)) {
                shownSerial_ = s.previewSerial;
                pictureToImage(planes, s, image_);
                picture_.setPixmap(
                    QPixmap::fromImage(image_).scaledToWidth(kPreviewWidth, Qt::SmoothTransformation));
            }
        }
        if (s.finished && !ended_) ended(s);
    }

    void ended(const MivoProgressState& s) {
        ended_ = true;
        button_.setText("Close");
        if (!s.ok && seen_) {
            message_.setStyleSheet("color: #b00000; font-weight: bold");
            return;
        }
        QTimer::singleShot(waitSeconds_ * 1000, this, [this] { close(); });
    }

    const MivoProgressFeed& feed_;
    const bool preview_;
    const int waitSeconds_;
    const bool seen_;
    QLabel status_, message_, picture_;
    QProgressBar bar_;
    QPushButton button_;
    QTimer timer_;
    QImage image_;
    std::uint64_t shownSerial_ = 0;
    bool ended_ = false;
};

} // namespace

} // namespace mivo::encoder

MIVO_WINDOW_EXPORT int mivo_progress_window_version() {
    return mivo::encoder::kProgressWindowVersion;
}

MIVO_WINDOW_EXPORT void mivo_progress_window_run(const MivoProgressFeed* feed, int preview, int waitSeconds) {
    // A display that cannot be reached must not end the encoder: Qt then falls back to drawing nowhere.
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM",
                 std::getenv("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen", 1);
    int argc = 1;
    char name[] = "Dazuzer_024";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    // Nobody would see the window, nor close it after a failure.
    const bool seen = QGuiApplication::platformName() != "offscreen";
    mivo::encoder::ProgressWindow window(*feed, preview != 0, seen ? waitSeconds : 0, seen);
    window.show();
    feed->start(feed->context);
    app.exec();
}
