#include "progress_window.h"

#include <cstdlib>
#include <string_view>
#include <thread>
#include <vector>

namespace mivo::encoder {

namespace {

// The monitor as the window's C interface sees it; the texts and the picture live here between calls.
struct Feed {
    ProgressMonitor& monitor;
    const std::function<void()>& work;
    std::thread worker;
    std::string status, message;
    std::vector<std::uint8_t> picture;

    static void start(void* context) {
        auto& f = *static_cast<Feed*>(context);
        if (!f.worker.joinable()) f.worker = std::thread(f.work);
    }

    static void state(void* context, MivoProgressState* out) {
        auto& f = *static_cast<Feed*>(context);
        const ProgressSnapshot s = f.monitor.snapshot();
        f.status = ProgressMonitor::describe(s);
        f.message = s.message;
        *out = MivoProgressState{s.pass,       s.frame,          s.frames,           s.finished ? 1 : 0,
                                 s.ok ? 1 : 0, f.status.c_str(), f.message.c_str(),  s.previewSerial,
                                 s.width,      s.height,         s.chroma422 ? 1 : 0};
    }
    static const std::uint8_t* preview(void* context, std::size_t* bytes) {
        auto& f = *static_cast<Feed*>(context);
        *bytes = 0;
        if (!f.monitor.copyPreview(f.picture)) return nullptr;
        *bytes = f.picture.size();
        return f.picture.data();
    }
    static void cancel(void* context) { static_cast<Feed*>(context)->monitor.cancel(); }
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

bool ProgressWindowLibrary::load(const std::string& programFolder) {
    run_ = nullptr;
    // Resident: unloading would take Qt out of the process under its own exit hooks.
    if (!module_.open(programFolder + kProgressWindowLibrary, platform::Module::Lifetime::Resident))
        return false;
    MivoProgressWindowVersionFn version = nullptr;
    if (!module_.resolve(kProgressWindowVersionExport, version) || version() != kProgressWindowVersion ||
        !module_.resolve(kProgressWindowRunExport, run_)) {
        run_ = nullptr;
        module_.close();
        return false;
    }
    return true;
}

void ProgressWindowLibrary::run(ProgressMonitor& monitor, const std::function<void()>& work,
                                const WindowOptions& options) const {
    if (!run_) {
        work();
        return;
    }
    Feed feed{monitor, work, {}, {}, {}, {}};
    const MivoProgressFeed calls{&feed, &Feed::start, &Feed::state, &Feed::preview, &Feed::cancel};
    run_(&calls, options.preview ? 1 : 0, options.waitSeconds);
    // The window closes only once the work has finished; the thread is about to end. A window that
    // never started the work leaves it to be done here, so the run still ends with its outcome.
    if (feed.worker.joinable())
        feed.worker.join();
    else
        work();
}

} // namespace mivo::encoder
