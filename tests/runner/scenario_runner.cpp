// mivo-scenario: runs the whole program headless from a script. See doc/testing.md for the language.

#include "scenario_runner.h"

#include "base/whole_file.h"
#include "control_names.h"
#include "core/control_ids.h"
#include "gui/app_main.h"
#include "gui/main_window.h"
#include "gui/qt_dialogs.h"
#include "platform/platform.h"
#include "program/program.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace mivo::scenario {

namespace {

struct ScriptError {
    std::string why;
};

[[noreturn]] void fail(const std::string& why) {
    throw ScriptError{why};
}

std::string escapeText(const std::string& s) {
    std::string out;
    for (char ch : s) {
        switch (ch) {
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

int parseInt(const std::string& word, const char* what) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(word, &used);
        if (used != word.size()) fail(std::string("bad ") + what + " \"" + word + "\"");
        return v;
    } catch (const std::logic_error&) {
        fail(std::string("bad ") + what + " \"" + word + "\"");
    }
}

const char* const kVersions[] = {"06", "10", "11", "12", "13", "15", "16"};

// One word of write-bytes: two hex digits, or N*HH for N copies of the byte HH.
std::string hexBytes(const std::string& w) {
    const std::size_t star = w.find('*');
    const int count = star == std::string::npos ? 1 : parseInt(w.substr(0, star), "byte count");
    const std::string hex = star == std::string::npos ? w : w.substr(star + 1);
    if (count < 0 || hex.size() != 2 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        fail("bad byte \"" + w + "\"");
    return std::string(static_cast<std::size_t>(count), static_cast<char>(std::stoi(hex, nullptr, 16)));
}

} // namespace

// --- script lines -------------------------------------------------------------------------

std::string Runner::substitute(const std::string& line) const {
    std::string out;
    for (std::size_t i = 0; i < line.size();) {
        if (line.compare(i, 2, "${") == 0) {
            const std::size_t end = line.find('}', i + 2);
            if (end != std::string::npos) {
                const std::string name = line.substr(i + 2, end - i - 2);
                if (name == "PROG") {
                    out += prog_;
                } else if (const char* v = std::getenv(name.c_str())) {
                    out += v;
                }
                i = end + 1;
                continue;
            }
        }
        out += line[i++];
    }
    return out;
}

// Splits off the first word of rest.
std::string Runner::word(std::string& rest) {
    std::size_t b = rest.find_first_not_of(" \t");
    if (b == std::string::npos) {
        rest.clear();
        return {};
    }
    std::size_t e = rest.find_first_of(" \t", b);
    std::string w = rest.substr(b, e == std::string::npos ? std::string::npos : e - b);
    rest = e == std::string::npos ? std::string() : rest.substr(e);
    return w;
}

// A TEXT argument: a double-quoted string with escapes, or the rest of the line as it stands.
std::string Runner::text(std::string rest) {
    std::size_t b = rest.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    rest = rest.substr(b);
    if (rest.front() != '"') {
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
            rest.pop_back();
        return rest;
    }
    std::string out;
    std::size_t i = 1;
    for (; i < rest.size() && rest[i] != '"'; ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size()) {
            const char n = rest[++i];
            switch (n) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            default:
                out += n;
            }
        } else {
            out += rest[i];
        }
    }
    if (i >= rest.size()) fail("unterminated quoted text");
    if (rest.find_first_not_of(" \t", i + 1) != std::string::npos) fail("text after the closing quote");
    return out;
}

PageId Runner::page(const std::string& name) const {
    const auto p = pageFromName(name);
    if (!p) fail("unknown page \"" + name + "\"");
    return *p;
}

// A control by its template id or by its name in the id table.
Control& Runner::control(PageId p, const std::string& idWord) {
    requireStarted();
    int id = 0;
    if (!idWord.empty() && std::isalpha(static_cast<unsigned char>(idWord.front()))) {
        const NameLookup named = findControlByName(p, idWord, [this, p](int candidate) {
            return program_->controls().find(p, candidate) != nullptr;
        });
        if (!named.error.empty()) fail(named.error);
        id = named.id;
    } else {
        id = parseInt(idWord, "control id");
    }
    Control* c = program_->controls().find(p, id);
    if (!c) fail("unknown control " + std::string(pageName(p)) + " " + idWord);
    return *c;
}

void Runner::requireStarted() const {
    if (!program_) fail("the program has not been started");
}

void Runner::out(const std::string& line) {
    std::string s = line;
    if (!prog_.empty()) {
        for (std::size_t at = s.find(prog_); at != std::string::npos; at = s.find(prog_, at + 7))
            s.replace(at, prog_.size(), "${PROG}");
    }
    out_ << s << '\n';
}

bool Runner::refusedIfDisabled(const Control& c) {
    if (c.enabled) return false;
    out("refused: " + std::string(pageName(c.page)) + " " + std::to_string(c.id) + " disabled");
    return true;
}

// --- outside parts put in place ----------------------------------------------------------

void Runner::placeFile(const std::string& from, const std::string& to, const char* what) {
    if (from.empty()) fail("not available yet");
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(to).parent_path(), ec);
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) fail(std::string("cannot put the ") + what + " in place: " + ec.message());
}

void Runner::decoder(const std::string& version, const std::string& kind) {
    bool known = false;
    for (const char* v : kVersions)
        known = known || version == v;
    if (!known) fail("unknown project version \"" + version + "\"");
    const std::string target = prog_ + "/DGDecode/DGDecode" + version + ".dll";
    if (kind == "mpeg2")
        placeFile(parts_.realDecoder, target, "decoder");
    else if (kind == "synthetic")
        placeFile(parts_.syntheticDecoder, target, "decoder");
    else if (kind == "no-close-export")
        placeFile(parts_.syntheticDecoderNoClose, target, "decoder");
    else
        fail("unknown decoder kind \"" + kind + "\"");
}

void Runner::encoder(const std::string& kind) {
    const std::string target = prog_ + "/Dazuzer_024.exe";
    if (kind == "none") {
        std::error_code ec;
        std::filesystem::remove(target, ec);
        return;
    }
    if (kind == "double")
        placeFile(parts_.encoderDouble, target, "encoder");
    else if (kind == "real")
        placeFile(parts_.realEncoder, target, "encoder");
    else
        fail("unknown encoder kind \"" + kind + "\"");
    std::filesystem::permissions(target,
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec,
                                 std::filesystem::perm_options::add);
}

void Runner::avisynth(const std::string& kind) {
    if (kind != "double" && kind != "none") fail("unknown avisynth kind \"" + kind + "\"");
    if (!parts_.frameServerSeam) fail("not available yet");
    if (kind == "double") {
        if (parts_.avisynthDouble.empty()) fail("not available yet");
        parts_.frameServerSeam(parts_.avisynthDouble);
    } else {
        parts_.frameServerSeam(std::nullopt);
    }
}

// --- start, act and print ----------------------------------------------------------------

void Runner::start() {
    if (program_) fail("the program is already running");
    ProgramShell shell;
    shell.postQuit = [](int) {};
    shell.setWindowVisible = [this](bool visible) {
        if (window_) window_->setVisible(visible);
    };
    shell.pause = [](int ms) { pumpEvents(ms); };
    // Ticks only while the program runs: `wait` and the other waits run the loop that drives them.
    shell.repeat = [this](int ms, std::function<void()> tick) {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, qApp, [this, tick] {
            if (program_) tick();
        });
        timer->start(ms);
    };
    // The scan thread's posts reach the program through the event loop that `wait` and `wait-scan` run.
    shell.scanPosted = [this] {
        QMetaObject::invokeMethod(
            qApp,
            [this] {
                if (program_) program_->drainScanPosts();
            },
            Qt::QueuedConnection);
    };
    ProgramOptions options;
    options.programFolder = prog_ + "/";
    options.cpuLevel = cpuLevel_;
    program_ = std::make_unique<Program>(dialogs_, shell, options);
    window_ = std::make_unique<MainWindow>(*program_, false);
    window_->show();
    program_->startUp();
    QApplication::processEvents();
}

void Runner::close() {
    requireStarted();
    if (!program_->quitPosted()) program_->closeRequested();
    program_->tearDown();
    window_.reset();
    program_.reset();
}

void Runner::printControl(const Control& c) {
    std::ostringstream s;
    s << pageName(c.page) << ' ' << c.id << " kind=" << kindName(c.kind) << " text=\"" << escapeText(c.text)
      << "\" enabled=" << (c.enabled ? 1 : 0);
    switch (c.kind) {
    case ControlKind::CheckBox:
    case ControlKind::Radio:
        s << " checked=" << (c.checked ? 1 : 0);
        break;
    case ControlKind::UpDown:
    case ControlKind::Trackbar:
        s << " pos=" << c.pos << " range=" << c.rangeMin << ".." << c.rangeMax;
        break;
    case ControlKind::ListBox:
    case ControlKind::ComboBox:
    case ControlKind::Tab:
        s << " selected=" << c.selected << " items=" << c.itemCount();
        break;
    case ControlKind::Picture:
        if (c.picture.rows)
            s << " picture=" << c.picture.width << "x" << c.picture.height
              << " aspect=" << c.picture.aspectCode;
        else
            s << " picture=none";
        break;
    default:
        break;
    }
    out(s.str());
}

void Runner::print(std::string rest) {
    const std::string what = word(rest);
    if (what == "status") {
        requireStarted();
        out("status: \"" + escapeText(program_->controls().text(PageId::Window, ids::window::status)) + "\"");
    } else if (what == "list") {
        const PageId p = page(word(rest));
        const Control& c = control(p, word(rest));
        for (int i = 0; i < c.itemCount(); ++i)
            out("  \"" + escapeText(c.item(i)) + "\"");
    } else if (what == "dialogs") {
        for (const std::string& line : dialogs_.takeLog())
            out(line);
    } else if (what == "file") {
        const std::string path = text(rest);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            out("no file " + path);
            return;
        }
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t start = 0;
        while (start < content.size()) {
            std::size_t end = content.find('\n', start);
            std::string line =
                content.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::string shown;
            for (char ch : line)
                shown += ch == '\r' ? std::string("\\r") : std::string(1, ch);
            out("| " + shown);
            if (end == std::string::npos) break;
            start = end + 1;
        }
    } else if (what == "file-size") {
        // Binary files (bitmaps) are checked by their size: `file-size PATH = BYTES`.
        const std::string path = text(rest);
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        out(ec ? "no file " + path : "file-size " + path + " = " + std::to_string(size));
    } else if (what == "state") {
        requireStarted();
        const std::string name = word(rest);
        const auto v = program_->stateValue(name);
        if (!v) fail("unknown state \"" + name + "\"");
        out(name + " = " + *v);
    } else {
        const PageId p = page(what);
        printControl(control(p, word(rest)));
    }
}

// A widget against a reference picture: grabbed as drawn, scaled to the reference's size (fonts decide
// the widget's size) and compared by the mean difference of its bytes, so a black, misplaced or
// mis-shaped picture shows while anti-aliasing, scaling and font hinting do not. A picture without text
// (the preview) is also held to a limit for its worst 16 x 16 block, so a small change such as another
// frame's number shows too. With MIVO_UPDATE_REFERENCES set, a missing reference is made from the grab
// (delete one to renew it).
void Runner::compareGrab(QWidget& widget, const std::string& what, const std::string& reference,
                         bool blockwise) {
    QApplication::processEvents();
    QImage grabbed = widget.grab().toImage().convertToFormat(QImage::Format_RGB888);
    const QString name = QString::fromStdString(reference);
    if (std::getenv("MIVO_UPDATE_REFERENCES") && !std::filesystem::exists(reference) &&
        !grabbed.save(name, "PNG"))
        fail("cannot save " + reference);
    QImage expected;
    if (!expected.load(name)) fail("cannot read " + reference);
    expected = expected.convertToFormat(QImage::Format_RGB888);
    grabbed = grabbed.scaled(expected.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    constexpr int kBlock = 16;
    const int w = expected.width(), h = expected.height(), columns = (w + kBlock - 1) / kBlock;
    std::vector<double> blocks(static_cast<std::size_t>(columns * ((h + kBlock - 1) / kBlock)), 0.0);
    double sum = 0;
    for (int y = 0; y < h; ++y) {
        const uchar* a = grabbed.constScanLine(y);
        const uchar* b = expected.constScanLine(y);
        for (int x = 0; x < 3 * w; ++x) {
            const int d = std::abs(static_cast<int>(a[x]) - static_cast<int>(b[x]));
            sum += d;
            blocks[static_cast<std::size_t>(y / kBlock * columns + x / 3 / kBlock)] += d;
        }
    }
    const double mean = sum / (3.0 * w * h);
    // Edge blocks are smaller; measuring them as full ones only makes them more lenient.
    const double worst = *std::max_element(blocks.begin(), blocks.end()) / (3.0 * kBlock * kBlock);
    constexpr double kMeanLimit = 6.0, kBlockLimit = 24.0;
    const bool like = mean <= kMeanLimit && (!blockwise || worst <= kBlockLimit);
    const std::string file = std::filesystem::path(reference).filename().string();
    out(what + (like ? " like " : " unlike ") + file);
    // The figures depend on fonts and scaling: they go to the log, not to the compared output.
    std::fprintf(stderr, "%s against %s: mean difference %.1f, worst block %.1f\n", what.c_str(),
                 file.c_str(), mean, worst);
}

void Runner::comparePicture(PageId p, const std::string& reference) {
    requireStarted();
    QApplication::processEvents();
    QWidget* box = window_->widget(p, ids::preview::picture);
    if (!box) fail("the preview box of " + std::string(pageName(p)) + " has not been shown");
    compareGrab(*box, "picture " + std::string(pageName(p)), reference, true);
}

void Runner::writeFile(const std::string& path, const std::vector<std::string>& lines, bool crlf) {
    std::string text;
    for (const std::string& l : lines)
        text += l + (crlf ? "\r\n" : "\n");
    writeBytes(path, text);
}

void Runner::writeBytes(const std::string& path, const std::string& bytes) {
    std::error_code ec;
    const auto parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f || !f.write(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        fail("cannot write " + path);
}

void Runner::waitScan(int limitMs) {
    requireStarted();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (program_ && program_->scanRunning()) {
        if (std::chrono::steady_clock::now() >= until) fail("wait-scan time-out");
        pumpEvents(10);
    }
}

void Runner::queueRunner(const std::string& kind) {
    const std::string target = prog_ + "/mivo-queue";
    if (kind == "none") {
        std::error_code ec;
        std::filesystem::remove(target, ec);
        return;
    }
    if (kind != "real") fail("unknown queue-runner kind \"" + kind + "\"");
    placeFile(parts_.queueRunner, target, "queue runner");
    std::filesystem::permissions(target,
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec,
                                 std::filesystem::perm_options::add);
}

void Runner::waitFor(PageId page, int id, const std::string& wanted, int limitMs) {
    requireStarted();
    const auto holds = [&] {
        const Control& c = program_->controls().at(page, id);
        if (c.text.find(wanted) != std::string::npos) return true;
        for (const std::string& line : c.lines())
            if (line.find(wanted) != std::string::npos) return true;
        return false;
    };
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!holds()) {
        if (std::chrono::steady_clock::now() >= until) fail("wait-for time-out: \"" + wanted + "\"");
        pumpEvents(10);
    }
}

void Runner::command(const std::string& line, std::vector<std::string>::const_iterator& next,
                     std::vector<std::string>::const_iterator end, int& lineNo) {
    std::string rest = line;
    const std::string cmd = word(rest);
    if (cmd == "env") {
        const std::string name = word(rest);
        if (name.empty()) fail("env needs a name");
        ::setenv(name.c_str(), text(rest).c_str(), 1);
    } else if (cmd == "unsetenv") {
        ::unsetenv(word(rest).c_str());
    } else if (cmd == "cpu-level") {
        const int n = parseInt(word(rest), "level");
        if (n < 0 || n > 6) fail("cpu level must be 0..6");
        cpuLevel_ = n;
    } else if (cmd == "decoder") {
        const std::string version = word(rest);
        decoder(version, word(rest));
    } else if (cmd == "remove-decoder") {
        std::error_code ec;
        std::filesystem::remove(prog_ + "/DGDecode/DGDecode" + word(rest) + ".dll", ec);
    } else if (cmd == "encoder") {
        encoder(word(rest));
    } else if (cmd == "avisynth") {
        avisynth(word(rest));
    } else if (cmd == "write" || cmd == "write-crlf") {
        const std::string path = text(rest);
        std::vector<std::string> lines;
        for (;;) {
            if (next == end) fail("write without end");
            ++lineNo;
            const std::string l = substitute(*next++);
            if (l == "end") break;
            lines.push_back(l);
        }
        writeFile(path, lines, cmd == "write-crlf");
    } else if (cmd == "write-bytes") {
        // write-bytes PATH BYTE...: a binary file (a .cqm matrix, say) that write's text lines cannot
        // hold. Each BYTE is two hex digits, or N*HH for N copies of HH: "08 63*10 64*20" is 128 bytes.
        const std::string path = word(rest);
        if (path.empty()) fail("write-bytes needs a path");
        std::string bytes;
        for (std::string w = word(rest); !w.empty(); w = word(rest))
            bytes += hexBytes(w);
        writeBytes(path, bytes);
    } else if (cmd == "write-fault") {
        // write-fault read-only | disk-full [BYTES] | none: the program's whole-file writes from now on
        // fail as in a read-only folder, or on a disk with BYTES of room left (0 when not given).
        const std::string kind = word(rest);
        const std::string room = word(rest);
        const std::size_t bytes = room.empty() ? 0 : static_cast<std::size_t>(parseInt(room, "byte count"));
        if (kind == "read-only")
            injectWriteFault(WriteFault::ReadOnly);
        else if (kind == "disk-full")
            injectWriteFault(WriteFault::DiskFull, bytes);
        else if (kind == "none")
            injectWriteFault(WriteFault::None);
        else
            fail("unknown write fault \"" + kind + "\"");
    } else if (cmd == "start") {
        start();
    } else if (cmd == "tab") {
        requireStarted();
        const int n = parseInt(word(rest), "tab");
        if (n < 1 || n >= kPageCount) fail("tab must be 1.." + std::to_string(kPageCount - 1));
        program_->controls().userSelect(PageId::Window, ids::window::tabs, n - 1);
    } else if (cmd == "click") {
        const PageId p = page(word(rest));
        Control& c = control(p, word(rest));
        if (!refusedIfDisabled(c)) program_->controls().userClick(p, c.id);
    } else if (cmd == "type") {
        const PageId p = page(word(rest));
        Control& c = control(p, word(rest));
        const std::string t = text(rest);
        if (!refusedIfDisabled(c)) program_->controls().userType(p, c.id, t);
    } else if (cmd == "focus") {
        const PageId p = page(word(rest));
        Control& c = control(p, word(rest));
        if (!refusedIfDisabled(c)) program_->controls().userFocus(p, c.id);
    } else if (cmd == "leave") {
        requireStarted();
        program_->controls().userLeave();
    } else if (cmd == "select") {
        const PageId p = page(word(rest));
        Control& c = control(p, word(rest));
        const std::string t = text(rest);
        int index = -1;
        if (!t.empty() && t.front() == '#') {
            index = parseInt(t.substr(1), "line");
            if (index < 0 || index >= c.itemCount()) fail("no line " + t.substr(1));
        } else {
            for (int i = 0; i < c.itemCount(); ++i)
                if (c.item(i) == t) index = i;
            if (index < 0) fail("no entry \"" + t + "\"");
        }
        if (!refusedIfDisabled(c)) program_->controls().userSelect(p, c.id, index);
    } else if (cmd == "spin" || cmd == "slide") {
        const PageId p = page(word(rest));
        Control& c = control(p, word(rest));
        const int n = parseInt(word(rest), "position");
        if (refusedIfDisabled(c)) return;
        if (cmd == "spin")
            program_->controls().userSpin(p, c.id, n);
        else
            program_->controls().userSlide(p, c.id, n);
    } else if (cmd == "answer-file") {
        dialogs_.queue({AnswerKind::File, text(rest)});
    } else if (cmd == "answer-folder") {
        dialogs_.queue({AnswerKind::Folder, text(rest)});
    } else if (cmd == "answer-cancel") {
        dialogs_.queue({AnswerKind::Cancel, {}});
    } else if (cmd == "answer-yes") {
        dialogs_.queue({AnswerKind::Yes, {}});
    } else if (cmd == "answer-no") {
        dialogs_.queue({AnswerKind::No, {}});
    } else if (cmd == "answer-ok") {
        dialogs_.queue({AnswerKind::Ok, {}});
    } else if (cmd == "wait") {
        pumpEvents(parseInt(word(rest), "milliseconds"));
    } else if (cmd == "wait-scan") {
        const std::string ms = word(rest);
        waitScan(ms.empty() ? 60000 : parseInt(ms, "milliseconds"));
    } else if (cmd == "queue-runner") {
        queueRunner(word(rest));
    } else if (cmd == "wait-for") {
        // wait-for PAGE ID TEXT: the event loop runs until the control's text or one of its lines holds
        // TEXT (the queue page following its jobs, say), for at most two minutes.
        const PageId p = page(word(rest));
        const int id = control(p, word(rest)).id;
        waitFor(p, id, text(rest), 120000);
    } else if (cmd == "close") {
        close();
    } else if (cmd == "screenshot") {
        requireStarted();
        const std::string path = text(rest);
        QApplication::processEvents();
        std::error_code ec;
        const auto parent = std::filesystem::path(path).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent, ec);
        if (!window_->grab().save(QString::fromStdString(path), "PNG")) fail("cannot save " + path);
    } else if (cmd == "compare-window") {
        // The whole main window as drawn now, against a reference: `window like FILE`.
        requireStarted();
        compareGrab(*window_, "window", text(rest), false);
    } else if (cmd == "compare-picture") {
        const PageId p = page(word(rest));
        comparePicture(p, text(rest));
    } else if (cmd == "print") {
        print(rest);
    } else {
        fail("unknown command \"" + cmd + "\"");
    }
}

int Runner::run(const std::vector<std::string>& lines) {
    int lineNo = 0;
    auto it = lines.begin();
    try {
        while (it != lines.end()) {
            ++lineNo;
            const std::string line = substitute(*it++);
            const std::size_t b = line.find_first_not_of(" \t\r");
            if (b == std::string::npos || line[b] == '#') continue;
            const int at = lineNo;
            try {
                command(line.substr(b), it, lines.end(), lineNo);
                std::string what;
                if (dialogs_.takeUnanswered(what)) fail("a dialog with no answer queued: " + what);
            } catch (const ScriptError& e) {
                out("error: line " + std::to_string(at) + ": " + e.why);
                out_.flush();
                return 1;
            }
        }
    } catch (const std::exception& e) {
        out("error: line " + std::to_string(lineNo) + ": " + e.what());
        return 1;
    }
    if (program_) close();
    out_.flush();
    return 0;
}

} // namespace mivo::scenario

int main(int argc, char** argv) {
    std::string folder, script;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--program-folder" && i + 1 < argc)
            folder = argv[++i];
        else
            script = a;
    }
    if (folder.empty() || script.empty()) {
        std::cerr << "usage: mivo-scenario --program-folder DIR SCRIPT   (SCRIPT - reads standard input)\n";
        return 2;
    }
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    if (!std::filesystem::is_directory(folder)) {
        std::cerr << "mivo-scenario: program folder " << folder << " does not exist\n";
        return 2;
    }
    folder = std::filesystem::canonical(folder).string();
    std::vector<std::string> lines;
    std::ifstream file;
    std::istream* in = &std::cin;
    if (script != "-") {
        file.open(script);
        if (!file) {
            std::cerr << "mivo-scenario: cannot read " << script << "\n";
            return 2;
        }
        in = &file;
    }
    for (std::string l; std::getline(*in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const bool styleNamed = mivo::userNamedStyle(argc, argv);
    QApplication app(argc, argv);
    if (!styleNamed) mivo::useProgramStyle();
    mivo::scenario::Runner runner(folder, std::cout, mivo::scenario::defaultParts());
    return runner.run(lines);
}
