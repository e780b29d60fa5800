#include "program/dialogs.h"

namespace mivo {

namespace {

class SilentProgress final : public ProgressView {
  public:
    bool update(double) override { return true; }
};

} // namespace

std::unique_ptr<ProgressView> DialogService::showProgress(const std::string&, const std::string&) {
    return std::make_unique<SilentProgress>();
}

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty() || path.empty()) return path;
    const std::size_t sep = path.find_last_of("/\\");
    const std::size_t nameStart = sep == std::string::npos ? 0 : sep + 1;
    if (path.find('.', nameStart) != std::string::npos) return path;
    return path + "." + extension;
}

} // namespace mivo
