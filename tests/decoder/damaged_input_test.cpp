// Damaged input: truncated and bit-flipped streams, DVD titles cut short, with garbage in the middle or
// a part missing, projects that list more than the stream holds, and nonsense projects. Nothing crashes or
// hangs (the test's time limit catches a hang); a project that cannot be opened gives no source, and a frame
// that cannot be decoded shows a decodable neighbour.

#include "d2v_source.h"
#include "indexer.h"
#include "stream_maker.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace mivo::test {
namespace {

using mpeg2::D2vSource;

std::unique_ptr<D2vSource> tryOpen(const std::string& project) {
    std::string error;
    std::unique_ptr<D2vSource> source = D2vSource::open(project, error);
    if (!source) {
        EXPECT_FALSE(error.empty());
    }
    return source;
}

// Every frame in order, then all of them in a shuffled order, then a few far jumps.
std::vector<std::uint64_t> fetchEverything(D2vSource& source) {
    const int n = source.info().frameCount;
    std::vector<std::uint64_t> hashes(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const std::uint8_t* f = source.frame(i);
        EXPECT_NE(f, nullptr);
        hashes[static_cast<std::size_t>(i)] = hashBytes(f, source.frameBytes());
    }
    std::vector<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(99));
    for (int i : order)
        EXPECT_NE(source.frame(i), nullptr);
    for (int i : {n - 1, 0, n / 2, -5, n + 100, n - 2})
        EXPECT_NE(source.frame(i), nullptr);
    return hashes;
}

TEST(DamagedInput, TruncatedStreamsShowTheNearestDecodableFrame) {
    for (Container c : {Container::program, Container::transport, Container::elementary}) {
        StreamSpec s{.frames = 36, .interlaced = true, .container = c};
        const std::string stream = makeStream(s);
        const std::string folder = scratchFolder("truncated");
        const std::string ext = std::filesystem::path(stream).extension().string();
        std::filesystem::copy_file(stream, folder + "/full" + ext);
        const std::string text = indexProject({folder + "/full" + ext}, folder + "/full.d2v", 2);
        std::unique_ptr<D2vSource> full = tryOpen(folder + "/full.d2v");
        ASSERT_TRUE(full);
        const std::vector<std::uint64_t> reference = sequentialHashes(*full);
        const std::vector<std::uint8_t> bytes = readFile(stream);

        for (double share : {0.45, 0.97}) {
            SCOPED_TRACE(ext + " cut at " + std::to_string(share));
            const std::size_t cut = static_cast<std::size_t>(static_cast<double>(bytes.size()) * share) + 7;
            writeFile(
                folder + "/full" + ext,
                std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut)));
            std::unique_ptr<D2vSource> cutSource = tryOpen(folder + "/full.d2v");
            ASSERT_TRUE(cutSource) << "the first frames are still there";
            EXPECT_EQ(cutSource->info().frameCount, full->info().frameCount);
            const std::vector<std::uint64_t> hashes = fetchEverything(*cutSource);
            EXPECT_GT(cutSource->stats().fallbacks, 0u);
            // Lines that end well before the cut decode as before; frames past the cut repeat a real
            // picture (the last decodable one), never garbage.
            const mpeg2::D2vProject& p = cutSource->project();
            std::size_t intact = 0;
            for (std::size_t l = 0; l + 1 < p.lines.size() && p.lines[l + 1].position + 100000 < cut; ++l)
                intact = p.lines[l].firstFrame + p.lines[l].frameCount;
            for (std::size_t i = 0; i < intact; ++i)
                EXPECT_EQ(hashes[i], reference[i]) << "frame " << i;
            if (p.lines.back().position > cut) {
                EXPECT_NE(std::find(hashes.begin(), hashes.end() - 1, hashes.back()), hashes.end() - 1)
                    << "the last frame repeats a decoded picture";
            }
        }
    }
}

TEST(DamagedInput, BitFlipsNeitherCrashNorHang) {
    for (Container c : {Container::program, Container::transport, Container::elementary}) {
        StreamSpec s{.frames = 36, .container = c};
        const std::string stream = makeStream(s);
        const std::string folder = scratchFolder("flipped");
        const std::string ext = std::filesystem::path(stream).extension().string();
        const std::string file = folder + "/movie" + ext;
        std::filesystem::copy_file(stream, file);
        indexProject({file}, folder + "/movie.d2v");
        std::vector<std::uint8_t> bytes = readFile(stream);
        for (unsigned seed : {1u, 2u}) {
            std::mt19937 random(seed);
            std::vector<std::uint8_t> damaged = bytes;
            for (int i = 0; i < 400; ++i)
                damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            // Some damage right where decoding starts: the first headers.
            for (int i = 0; i < 8; ++i)
                damaged[random() % 2048] ^= 0x10;
            writeFile(file, damaged);
            std::unique_ptr<D2vSource> source = tryOpen(folder + "/movie.d2v");
            if (source) fetchEverything(*source);
            // The indexer reads the damaged stream too, and either indexes it or says why not.
            d2vindex::IndexOptions options;
            const d2vindex::IndexResult r = d2vindex::indexStreams({file}, options);
            EXPECT_TRUE(r.ok || !r.error.empty());
        }
    }
}

// A DVD title in three VOB files, damaged after it was indexed and before: the last part cut short,
// garbage over the middle of the second part, the second part gone. The library either refuses the
// project with a reason or serves every frame; the indexer either indexes what it is given or says why
// not, and what it indexes opens and serves every frame.
TEST(DamagedInput, DamagedDvdTitlesNeitherCrashNorHang) {
    StreamSpec s{.frames = 60, .container = Container::program};
    const std::string stream = makeStream(s);
    const std::vector<std::uint8_t> bytes = readFile(stream);
    const std::uint64_t third = bytes.size() / 3 / 2048 * 2048;
    enum class Damage { Truncated, GarbageInTheMiddle, SecondPartMissing };
    for (const Damage damage : {Damage::Truncated, Damage::GarbageInTheMiddle, Damage::SecondPartMissing}) {
        SCOPED_TRACE(static_cast<int>(damage));
        const std::string folder = scratchFolder("dvd_title");
        std::vector<std::string> parts = splitFile(stream, {third, 2 * third}, folder, "VTS_01");
        indexProject(parts, folder + "/title.d2v");
        std::vector<std::uint8_t> part = readFile(parts[damage == Damage::Truncated ? 2 : 1]);
        if (damage == Damage::Truncated) {
            part.resize(part.size() / 2 + 5);
            writeFile(parts[2], part);
        } else if (damage == Damage::GarbageInTheMiddle) {
            std::mt19937 random(11);
            for (std::size_t i = part.size() / 4; i < part.size() * 3 / 4; ++i)
                part[i] = static_cast<std::uint8_t>(random());
            writeFile(parts[1], part);
        } else {
            std::filesystem::remove(parts[1]);
            parts.erase(parts.begin() + 1);
        }
        if (std::unique_ptr<D2vSource> source = tryOpen(folder + "/title.d2v"))
            fetchEverything(*source);
        else
            EXPECT_EQ(damage, Damage::SecondPartMissing) << "only a missing file keeps the project shut";

        d2vindex::IndexOptions options;
        const d2vindex::IndexResult r = d2vindex::indexStreams(parts, options);
        ASSERT_TRUE(r.ok || !r.error.empty());
        if (!r.ok) continue;
        writeText(folder + "/again.d2v", r.text);
        std::unique_ptr<D2vSource> again = tryOpen(folder + "/again.d2v");
        ASSERT_TRUE(again) << "what the indexer indexed opens";
        EXPECT_GT(again->info().frameCount, 0);
        fetchEverything(*again);
    }
}

TEST(DamagedInput, FramesTheStreamDoesNotHoldShowTheLastOneItDoes) {
    StreamSpec s{.container = Container::program};
    const std::string folder = scratchFolder("overlong");
    const std::string stream = makeStream(s);
    std::string text = indexProject({stream}, folder + "/movie.d2v", 2);
    std::unique_ptr<D2vSource> good = tryOpen(folder + "/movie.d2v");
    ASSERT_TRUE(good);
    const std::vector<std::uint64_t> reference = sequentialHashes(*good);

    // Lines beyond the end of the file, and a last line that claims more frames than the stream holds.
    const std::size_t end = text.find(" ff\r\n");
    ASSERT_NE(end, std::string::npos);
    text.replace(end, 5, " e0 e0 e0\r\nb00 5 0 99999999 0 0 0 d0 e0 e0\r\nb00 5 0 99999999 1 0 0 d0 ff\r\n");
    writeText(folder + "/overlong.d2v", text);
    std::unique_ptr<D2vSource> source = tryOpen(folder + "/overlong.d2v");
    ASSERT_TRUE(source);
    ASSERT_EQ(source->info().frameCount, static_cast<int>(reference.size()) + 7);
    const std::vector<std::uint64_t> hashes = fetchEverything(*source);
    for (std::size_t i = 0; i < reference.size(); ++i)
        EXPECT_EQ(hashes[i], reference[i]) << "frame " << i;
    for (std::size_t i = reference.size(); i < hashes.size(); ++i)
        EXPECT_EQ(hashes[i], reference.back()) << "frame " << i << " repeats the last real frame";
    // Asked again, the missing frames cost no further searching.
    const std::uint64_t seeks = source->stats().seeks;
    for (std::size_t i = reference.size(); i < hashes.size(); ++i)
        source->frame(static_cast<int>(i));
    source->frame(static_cast<int>(hashes.size()) - 1);
    EXPECT_LE(source->stats().seeks, seeks + 2);
}

TEST(DamagedInput, ProjectsThatCannotBeOpenedGiveNoSource) {
    const std::string folder = scratchFolder("nonsense");
    StreamSpec s;
    const std::string stream = makeStream(s);
    const std::string good = indexProject({stream}, folder + "/good.d2v");
    writeText(folder + "/notes.txt", std::string(100000, 'x'));
    writeText(folder + "/empty.m2v", "");
    auto pointingAt = [&](const std::string& file) {
        std::string t = good;
        const std::size_t start = t.find("\r\n", t.find("\r\n") + 2) + 2;
        t.replace(start, t.find("\r\n", start) - start, file);
        return t;
    };
    std::mt19937 random(7);
    std::string garbage(3000, ' ');
    for (char& ch : garbage)
        ch = static_cast<char>(random());
    const std::string cases[] = {
        garbage,
        "DGIndexProjectFile16\r\n",
        pointingAt(folder + "/missing.m2v"),
        pointingAt(folder + "/notes.txt"), // no MPEG video in it
        pointingAt(folder + "/empty.m2v"),
        pointingAt(folder),                                                                   // a folder
        withFieldOperation(good, 2).replace(good.find("Stream_Type=0"), 13, "Stream_Type=2"), // not a TS
    };
    int n = 0;
    for (const std::string& text : cases) {
        const std::string project = folder + "/case" + std::to_string(n++) + ".d2v";
        writeText(project, text);
        std::string error;
        EXPECT_EQ(D2vSource::open(project, error), nullptr) << project;
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    EXPECT_EQ(D2vSource::open(folder + "/no-such-project.d2v", error), nullptr);
}

TEST(DamagedInput, TinyProjectsWork) {
    // One line with one frame, and requests far outside the clip.
    StreamSpec s;
    const std::string folder = scratchFolder("tiny");
    std::string text = indexProject({makeStream(s)}, folder + "/movie.d2v", 2);
    const std::size_t data = text.find("\r\n\r\n", text.find("Location=")) + 4;
    std::size_t flags = data;
    for (int field = 0; field < 7; ++field)
        flags = text.find(' ', flags) + 1;
    text = text.substr(0, flags) + "d0 ff\r\n";
    writeText(folder + "/one.d2v", text);
    std::unique_ptr<D2vSource> source = tryOpen(folder + "/one.d2v");
    ASSERT_TRUE(source);
    EXPECT_EQ(source->info().frameCount, 1);
    const std::uint64_t first = hashBytes(source->frame(0), source->frameBytes());
    EXPECT_EQ(hashBytes(source->frame(7), source->frameBytes()), first);
    EXPECT_EQ(hashBytes(source->frame(-7), source->frameBytes()), first);
    EXPECT_EQ(source->stats().fallbacks, 0u);
}

} // namespace
} // namespace mivo::test
