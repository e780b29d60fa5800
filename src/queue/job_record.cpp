#include "queue/job_record.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace mivo::queue {

namespace {

constexpr std::array<std::string_view, 4> kStateNames{"waiting", "running", "done", "failed"};
constexpr std::string_view kHeader = "mivo-queue job ";

template <typename Int> bool readNumber(std::string_view text, Int& out, int base = 10) {
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, out, base);
    return ec == std::errc() && p == end && !text.empty();
}

// Names and messages are one line each; a line feed inside one would end the record's line early.
std::string oneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\n' || c == '\r') c = ' ';
    return out;
}

} // namespace

std::string_view stateName(JobState state) {
    return kStateNames[static_cast<std::size_t>(state)];
}

std::optional<JobState> stateNamed(std::string_view name) {
    for (std::size_t i = 0; i < kStateNames.size(); ++i)
        if (kStateNames[i] == name) return static_cast<JobState>(i);
    return std::nullopt;
}

std::uint64_t settingsHash(std::string_view text) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (const unsigned char c : text) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string formatJobRecord(const JobRecord& r) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(r.settingsHash));
    std::string out = std::string(kHeader) + std::to_string(r.number) + "\n";
    out += "state " + std::string(stateName(r.state)) + "\n";
    out += "input " + oneLine(r.input) + "\n";
    out += "output " + oneLine(r.output) + "\n";
    out += "settings " + std::to_string(r.settingsBytes) + " " + hash + "\n";
    if (r.runner > 0) out += "runner " + std::to_string(r.runner) + "\n";
    if (r.exit) out += "exit " + std::to_string(*r.exit) + "\n";
    if (r.signal) out += "signal " + std::to_string(*r.signal) + "\n";
    if (!r.reason.empty()) out += "reason " + oneLine(r.reason) + "\n";
    for (const std::string& line : r.logTail)
        out += "log " + oneLine(line) + "\n";
    return out + "end\n";
}

namespace {

// One "key value" line of a record into `r`; an empty result, or what is wrong with the line. Marks the
// two entries a record cannot do without.
std::string readJobEntry(std::string_view line, JobRecord& r, bool& stated, bool& settings) {
    const std::size_t blank = line.find(' ');
    const std::string_view key = line.substr(0, blank);
    const std::string_view value = blank == std::string_view::npos ? "" : line.substr(blank + 1);
    int n = 0;
    if (key == "state") {
        const std::optional<JobState> s = stateNamed(value);
        if (!s) return "unknown state \"" + std::string(value) + "\"";
        r.state = *s;
        stated = true;
    } else if (key == "input") {
        r.input = value;
    } else if (key == "output") {
        r.output = value;
    } else if (key == "settings") {
        const std::size_t sep = value.find(' ');
        if (sep == std::string_view::npos || !readNumber(value.substr(0, sep), r.settingsBytes) ||
            !readNumber(value.substr(sep + 1), r.settingsHash, 16))
            return "settings size and hash unreadable";
        settings = true;
    } else if (key == "runner") {
        if (!readNumber(value, r.runner)) return "runner is not a process number";
    } else if (key == "exit") {
        if (!readNumber(value, n)) return "exit is not a number";
        r.exit = n;
    } else if (key == "signal") {
        if (!readNumber(value, n)) return "signal is not a number";
        r.signal = n;
    } else if (key == "reason") {
        r.reason = value;
    } else if (key == "log") {
        r.logTail.emplace_back(value);
    } else {
        return "unknown entry \"" + std::string(key) + "\"";
    }
    return {};
}

} // namespace

bool parseJobRecord(std::string_view text, int number, JobRecord& r, std::string& why) {
    r = JobRecord{};
    r.number = number;
    bool ended = false, stated = false, settings = false;
    std::size_t lineNo = 0;
    // Garbage is told as such, before any question of where it ends.
    if (!text.empty() && !text.starts_with(kHeader)) {
        why = "line 1: not a job record";
        return false;
    }
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            why = "cut short (its last line is unfinished)";
            return false;
        }
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto bad = [&](const std::string& what) {
            why = "line " + std::to_string(lineNo) + ": " + what;
            return false;
        };
        if (ended) return bad("text after the end line");
        if (lineNo == 1) {
            int n = 0;
            if (!line.starts_with(kHeader) || !readNumber(line.substr(kHeader.size()), n))
                return bad("not a job record");
            if (n != number) return bad("the record of job " + std::to_string(n) + ", not of this one");
            continue;
        }
        if (line == "end") {
            ended = true;
            continue;
        }
        if (const std::string wrong = readJobEntry(line, r, stated, settings); !wrong.empty())
            return bad(wrong);
    }
    if (lineNo == 0) {
        why = "empty";
        return false;
    }
    if (!ended) {
        why = "cut short (no end line)";
        return false;
    }
    if (!stated || !settings) {
        why = stated ? "no settings size" : "no state";
        return false;
    }
    return true;
}

} // namespace mivo::queue
