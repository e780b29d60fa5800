// Reading and writing an ini file with full lists (640000 chapters, 6400 zones, 6400 pan-scan
// positions), beside the practical limits: the same integers read from the same file with
// std::from_chars, and the same numbers written with a plain formatted write.

#include "core/control_model.h"
#include "core/settings/settings.h"
#include "core/source_state.h"
#include "core/status_line.h"
#include "program/settings/settings_operations.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace mivo;

struct BenchWorld {
    SourceState source;
    std::unique_ptr<Settings> settings = std::make_unique<Settings>(source);
    ControlModel controls;
    StatusLine status{controls};
    SettingsHooks hooks;
    SettingsContext ctx{*settings, source, controls, status, hooks, 2};

    BenchWorld() {
        hooks.fileExists = [](const std::string& path) { return std::filesystem::exists(path); };
        resetToDefaults(ctx);
    }

    // Full lists: chapters every 5 frames, zones and pan-scan positions every 500.
    void fillLists() {
        Settings& s = *settings;
        s.chapterCount = kChapterCapacity;
        for (int i = 0; i < kChapterCapacity; ++i)
            s.chapterFrames[static_cast<std::size_t>(i)] = 5 * i;
        s.zoneCount = kZoneCapacity;
        for (std::size_t i = 0; i < kZoneCapacity; ++i) {
            s.zoneFrames[i] = 500 * static_cast<int>(i);
            s.zoneFactors[i] = static_cast<float>(2 + i % 49) / 10.0f;
        }
        s.panScanOn = true;
        s.panScanWidth = 540;
        s.panScanHeight = 576;
        s.panScanCount = kPanScanCapacity;
        for (std::size_t i = 0; i < kPanScanCapacity; ++i) {
            s.panScanFrames[i] = 500 * static_cast<int>(i);
            s.panScanOffsets[i] = 16 * (static_cast<int>(i % 181) - 90);
        }
    }
};

std::string benchFolder() {
    const auto dir = std::filesystem::temp_directory_path() / "mivo_ini_bench";
    std::filesystem::create_directories(dir);
    return dir.string();
}

// The ini file with the full lists, written once.
const std::string& fullIniPath() {
    static const std::string path = [] {
        const std::string p = benchFolder() + "/full.ini";
        BenchWorld w;
        w.fillLists();
        if (!writeIniFile(IniMode::User, p, *w.settings, w.controls, w.status)) std::abort();
        return p;
    }();
    return path;
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(0, std::ios::end);
    std::string text(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0, std::ios::beg);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

void BM_IniRead(benchmark::State& state) {
    const std::string& path = fullIniPath();
    BenchWorld w;
    for (auto _ : state) {
        readIniFile(w.ctx, IniMode::User, path);
        benchmark::DoNotOptimize(w.settings->chapterCount);
    }
    if (w.settings->chapterCount != kChapterCapacity || w.settings->zoneCount != kZoneCapacity ||
        w.settings->panScanCount != kPanScanCapacity)
        state.SkipWithError("the file did not read back");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_IniRead)->Unit(benchmark::kMillisecond);

// The practical limit of reading: the file into memory, every run of digits through from_chars.
void BM_FromCharsRead(benchmark::State& state) {
    const std::string& path = fullIniPath();
    std::vector<int> values(kChapterCapacity + 3 * kZoneCapacity + 4 * kPanScanCapacity + 64);
    for (auto _ : state) {
        const std::string text = readWhole(path);
        const char* p = text.data();
        const char* end = p + text.size();
        std::size_t n = 0;
        while (p < end) {
            if ((*p < '0' || *p > '9') && *p != '-') {
                ++p;
                continue;
            }
            int v = 0;
            const auto r = std::from_chars(p, end, v);
            if (r.ptr == p) {
                ++p;
                continue;
            }
            if (n < values.size()) values[n++] = v;
            p = r.ptr;
        }
        benchmark::DoNotOptimize(values.data());
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_FromCharsRead)->Unit(benchmark::kMillisecond);

void BM_IniWrite(benchmark::State& state) {
    BenchWorld w;
    w.fillLists();
    const std::string path = benchFolder() + "/written.ini";
    for (auto _ : state) {
        if (!writeIniFile(IniMode::User, path, *w.settings, w.controls, w.status))
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_IniWrite)->Unit(benchmark::kMillisecond);

// The practical limit of writing: the same numbers, one a line, formatted with to_chars into one buffer
// and written with one call.
void BM_PlainWrite(benchmark::State& state) {
    BenchWorld w;
    w.fillLists();
    const Settings& s = *w.settings;
    const std::string path = benchFolder() + "/plain.txt";
    for (auto _ : state) {
        std::string out;
        char digits[16];
        auto put = [&out, &digits](long long v) {
            const auto r = std::to_chars(digits, digits + sizeof digits, v);
            out.append(digits, r.ptr);
        };
        for (int i = 0; i < s.chapterCount; ++i) {
            put(s.chapterFrames[static_cast<std::size_t>(i)]);
            out += "\r\n";
        }
        for (std::size_t i = 0; i < kZoneCapacity; ++i) {
            put(s.zoneFrames[i]);
            out += ' ';
            put(static_cast<long long>(s.zoneFactors[i] * 10.0f));
            out += "\r\n";
        }
        for (std::size_t i = 0; i < kPanScanCapacity; ++i) {
            put(s.panScanFrames[i]);
            out += ' ';
            put(s.panScanOffsets[i]);
            out += " 0\r\n";
        }
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(out.data(), 1, out.size(), f);
        std::fclose(f);
    }
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);

// The same with fprintf, the everyday formatted write.
void BM_FprintfWrite(benchmark::State& state) {
    BenchWorld w;
    w.fillLists();
    const Settings& s = *w.settings;
    const std::string path = benchFolder() + "/fprintf.txt";
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        for (int i = 0; i < s.chapterCount; ++i)
            std::fprintf(f, "%d\r\n", s.chapterFrames[static_cast<std::size_t>(i)]);
        for (std::size_t i = 0; i < kZoneCapacity; ++i)
            std::fprintf(f, "%-10d %3.1f\r\n", s.zoneFrames[i], static_cast<double>(s.zoneFactors[i]));
        for (std::size_t i = 0; i < kPanScanCapacity; ++i)
            std::fprintf(f, "%-9d%5d    0\r\n", s.panScanFrames[i], s.panScanOffsets[i]);
        std::fclose(f);
    }
}
BENCHMARK(BM_FprintfWrite)->Unit(benchmark::kMillisecond);

// The "current Mivo.ini" listing of the same settings: every line into the three list boxes.
void BM_Listing(benchmark::State& state) {
    BenchWorld w;
    w.fillLists();
    for (auto _ : state)
        showIniListing(*w.settings, w.controls, w.status, w.hooks);
}
BENCHMARK(BM_Listing)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
