// Stands in for the encoder in tests: reads Mivo.ini beside itself and appends to encoder-runs.log in
// the same folder what it found: its working folder, its arguments, any file handle it inherited besides
// the standard streams, whether DGDecode.dll lies beside it (and which library of the DGDecode folder it
// is a copy of), then the ini text. It waits MIVO_ENCODER_DOUBLE_MS milliseconds when that is set and
// ends with exit code MIVO_ENCODER_DOUBLE_EXIT (0 when not set).

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>

namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& p, bool& found) {
    std::ifstream in(p, std::ios::binary);
    found = static_cast<bool>(in);
    return found ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
}

// Descriptors above the standard three, looked up before this program opens anything itself.
std::vector<int> inheritedDescriptors() {
    std::vector<int> fds;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return fds;
    const int own = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        const int fd = std::atoi(e->d_name);
        if (e->d_name[0] >= '0' && e->d_name[0] <= '9' && fd > 2 && fd != own) fds.push_back(fd);
    }
    ::closedir(dir);
    return fds;
}

std::string libraryCopyReport(const fs::path& folder) {
    bool found = false;
    const std::string copy = contentOf(folder / "DGDecode.dll", found);
    if (!found) return "none";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder / "DGDecode", ec)) {
        bool read = false;
        if (contentOf(entry.path(), read) == copy && read)
            return "copy of DGDecode/" + entry.path().filename().string();
    }
    return "present, a copy of no library in DGDecode/";
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<int> inherited = inheritedDescriptors();
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv[0]);
    const fs::path folder = self.parent_path();

    bool iniFound = false;
    const std::string content = contentOf(folder / "Mivo.ini", iniFound);

    {
        std::ofstream log(folder / "encoder-runs.log", std::ios::binary | std::ios::app);
        log << "--- run in " << fs::current_path(ec).string() << "\n";
        log << "arguments: " << argc - 1 << "\n";
        log << "inherited handles:";
        if (inherited.empty()) log << " none";
        for (int fd : inherited)
            log << ' ' << fd;
        log << "\n";
        log << "DGDecode.dll: " << libraryCopyReport(folder) << "\n";
        if (!iniFound) log << "(no Mivo.ini)\n";
        log << content;
        if (!content.empty() && content.back() != '\n') log << "\n";
        log << "--- end\n";
    }
    if (const char* ms = std::getenv("MIVO_ENCODER_DOUBLE_MS")) {
        const long wait = std::strtol(ms, nullptr, 10);
        if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
    const char* exitCode = std::getenv("MIVO_ENCODER_DOUBLE_EXIT");
    return exitCode ? static_cast<int>(std::strtol(exitCode, nullptr, 10)) : 0;
}
