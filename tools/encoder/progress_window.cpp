#include "progress_window.h"

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
#include <string_view>
#include <thread>

namespace mivo::encoder {

namespace {

constexpr int kRefreshMs = 100;
constexpr int kPreviewWidth = 360;

// BT.601 studio range to RGB in 16.16 fixed point, the way the front-end's preview draws frames.
void pictureToImage(const std::vector<std::uint8_t>& planes, const ProgressSnapshot& o, QImage& image) {
    const int w = o.width, h = o.height, cw = w / 2;
    if (image.width() != w || image.height() != h) image = QImage(w, h, QImage::Format_RGB32);
    const std::size_t luma = static_cast<std::size_t>(w) * h;
    const std::size_t chroma = o.chroma422 ? luma / 2 : luma / 4;
    const std::uint8_t* cb = planes.data() + luma;
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

class ProgressWindow : public QWidget {
  public:
    ProgressWindow(ProgressMonitor& monitor, const WindowOptions& options, bool seen)
        : monitor_(monitor), options_(options), seen_(seen) {
        setWindowTitle("Dazuzer_024 encoding");
        auto* grid = new QGridLayout(this);
        grid->addWidget(&status_, 0, 0, 1, 2);
        grid->addWidget(&bar_, 1, 0, 1, 2);
        grid->addWidget(&message_, 2, 0, 1, 2);
        if (options_.preview) grid->addWidget(&preview_, 3, 0, 1, 2);
        grid->addWidget(&button_, 4, 1);
        message_.setWordWrap(true);
        button_.setText("Cancel");
        connect(&button_, &QPushButton::clicked, this, [this] {
            if (monitor_.snapshot().finished)
                close();
            else
                monitor_.cancel();
        });
        connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
        timer_.start(kRefreshMs);
        refresh();
    }

    void closeEvent(QCloseEvent* event) override {
        // Closing a running encode is a cancel; the window goes once the encoder has stopped.
        if (!monitor_.snapshot().finished) {
            monitor_.cancel();
            event->ignore();
            return;
        }
        QWidget::closeEvent(event);
    }

  private:
    void refresh() {
        const ProgressSnapshot s = monitor_.snapshot();
        status_.setText(QString::fromStdString(ProgressMonitor::describe(s)));
        bar_.setRange(0, std::max(1, s.frames));
        bar_.setValue(s.frame);
        message_.setText(QString::fromStdString(s.message));
        if (options_.preview && s.previewSerial != shownSerial_ && monitor_.copyPreview(planes_)) {
            shownSerial_ = s.previewSerial;
            pictureToImage(planes_, s, image_);
            preview_.setPixmap(
                QPixmap::fromImage(image_).scaledToWidth(kPreviewWidth, Qt::SmoothTransformation));
        }
        if (s.finished && !ended_) ended(s);
    }

    void ended(const ProgressSnapshot& s) {
        ended_ = true;
        button_.setText("Close");
        if (!s.ok && seen_) {
            message_.setStyleSheet("color: #b00000; font-weight: bold");
            return;
        }
        QTimer::singleShot(options_.waitSeconds * 1000, this, [this] { close(); });
    }

    ProgressMonitor& monitor_;
    WindowOptions options_;
    bool seen_;
    QLabel status_, message_, preview_;
    QProgressBar bar_;
    QPushButton button_;
    QTimer timer_;
    QImage image_;
    std::vector<std::uint8_t> planes_;
    std::uint64_t shownSerial_ = 0;
    bool ended_ = false;
};

} // namespace

bool displayAvailable() {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v != nullptr && *v != '\0';
    };
    if (const char* platform = std::getenv("QT_QPA_PLATFORM")) {
        const std::string_view p(platform);
        if (p.starts_with("offscreen") || p.starts_with("minimal")) return false;
    }
    return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void runWithProgressWindow(ProgressMonitor& monitor, const std::function<void()>& work,
                           const WindowOptions& options) {
    // A display that cannot be reached must not end the encoder: Qt then falls back to drawing nowhere.
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM",
                 std::getenv("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen", 1);
    int argc = 1;
    char name[] = "Dazuzer_024";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    WindowOptions shown = options;
    // Nobody would see the window, nor close it after a failure.
    const bool seen = QGuiApplication::platformName() != "offscreen";
    if (!seen) shown.waitSeconds = 0;
    ProgressWindow window(monitor, shown, seen);
    window.show();
    std::thread worker(work);
    app.exec();
    // The window closes only once the work has finished; the thread is about to end.
    worker.join();
}

} // namespace mivo::encoder
