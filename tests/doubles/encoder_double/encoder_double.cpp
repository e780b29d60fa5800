// Stands in for the encoder in tests: reads Mivo.ini beside itself, appends what it read to
// encoder-runs.log in the same folder, waits MIVO_ENCODER_DOUBLE_MS milliseconds when that is set, and
// ends with exit code 0.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

int main(int, char** argv) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) self = std::filesystem::absolute(argv[0]);
    const std::filesystem::path folder = self.parent_path();

    std::ifstream ini(folder / "Mivo.ini", std::ios::binary);
    const std::string content = ini ? std::string(std::istreambuf_iterator<char>(ini), {}) : std::string();

    {
        std::ofstream log(folder / "encoder-runs.log", std::ios::binary | std::ios::app);
        log << "--- run in " << std::filesystem::current_path(ec).string() << "\n";
        if (!ini) log << "(no Mivo.ini)\n";
        log << content;
        if (!content.empty() && content.back() != '\n') log << "\n";
        log << "--- end\n";
    }
    if (const char* ms = std::getenv("MIVO_ENCODER_DOUBLE_MS")) {
        const long wait = std::strtol(ms, nullptr, 10);
        if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
    return 0;
}
