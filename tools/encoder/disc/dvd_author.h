#pragma once
// The DVD-Video folder of a one-title disc, written from the title's program stream as the multiplexer
// produces it: the packs go straight into VIDEO_TS/VTS_01_N.VOB (a new file at 1 GiB, on a VOBU
// boundary), what a player needs of each VOBU is gathered on the way, and at the end the navigation
// packs are filled in place and the IFO files written. The stream is never read back from the disk.

#include "disc_plan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mivo::encoder::disc {

// What the IFO says of the title's one audio stream.
struct AuthorAudio {
    enum class Format { None, Ac3, Mpeg1, Lpcm };
    Format format = Format::None;
    int channels = 2;
    std::string language; // two letters; empty: not announced
};

class DvdAuthor {
  public:
    // `videoTs` is the VIDEO_TS folder to make; it must not exist yet.
    DvdAuthor(std::string videoTs, TitleFacts title, AuthorAudio audio);
    ~DvdAuthor();
    DvdAuthor(const DvdAuthor&) = delete;
    DvdAuthor& operator=(const DvdAuthor&) = delete;

    bool begin(std::string& error);
    // The program stream's next bytes, in pieces of any size. False once anything failed; error() says why.
    bool take(const std::uint8_t* data, std::size_t size);
    // Fills the navigation packs and writes the IFO files. False with the reason.
    bool finish(std::string& error);
    const std::string& error() const { return error_; }

    // A VOB file's largest size: 1 GiB. Smaller for tests of the split.
    void setFileLimit(std::uint64_t bytes) { fileLimit_ = bytes; }

  private:
    struct Vobu;
    class Block;
    struct AudioMark {
        std::int64_t pts;
        std::uint32_t sector;
    };

    bool pack(const std::uint8_t* p);
    bool writeRun(const std::uint8_t* data, std::size_t size);
    bool openFile(int number);
    bool moveVobuToNextFile();
    void startVobu(const std::uint8_t* p);
    void endVobu();
    void video(const std::uint8_t* payload, std::size_t size, bool hasPts, std::int64_t pts);
    void audio(const std::uint8_t* pes, std::size_t size, std::uint8_t id);
    void scanVideo(const std::uint8_t* b, std::size_t n, std::size_t carried);
    void startCode(const std::uint8_t* b, std::uint32_t sectorBefore);
    void closeReference(std::uint32_t sector);
    bool fail(const std::string& what);
    bool placeVobus();
    bool placeCells();
    int vobuAt(std::int64_t t, int first, int last) const;
    std::uint32_t pointer(int from, int to, bool between, std::uint32_t none) const;
    bool fillNavigationPacks();
    void fillNavigationPack(int i, std::uint8_t* nav) const;
    void fillSearchPointers(int i, std::uint8_t* nav) const;
    std::uint32_t audioSync(const Vobu& v) const;
    bool writeIfos();
    const Vobu& firstOfCell(std::uint32_t c) const;
    const Vobu& lastOfCell(std::uint32_t c) const;
    Block chapterTable() const;
    Block programChainTable(std::int64_t span) const;
    Block timeMapTable(std::int64_t span) const;
    Block cellAddressTable() const;
    Block vobuAddressMap() const;
    Block titleSetHeader(const Block& ptt, const Block& pgcit, const Block& tmapt, const Block& cadt,
                         const Block& admap) const;
    Block videoManager(const Block& titleSet) const;
    Block managerHeader() const;
    Block titleTable() const;
    static Block titleSetAttributes(const Block& titleSet);

    std::string dir_;
    TitleFacts title_;
    AuthorAudio audio_;
    std::string error_;
    std::uint64_t fileLimit_ = std::uint64_t{1} << 30;

    int fd_ = -1;
    int fileNumber_ = 0;
    std::uint64_t fileBytes_ = 0;
    std::uint32_t sector_ = 0; // the next pack's sector in the title
    std::vector<std::uint8_t> partial_;

    std::vector<Vobu> vobus_;
    std::vector<AudioMark> audioMarks_;
    std::int64_t audioEnd_ = -1;
    int mpaSkip_ = 0; // bytes of MPEG audio to the next frame header
    std::vector<std::uint8_t> mpaHeader_;

    // The video's start codes are looked for across PES packets: the last bytes of one wait for the next.
    std::uint8_t carry_[16]{};
    std::size_t carried_ = 0;
    std::vector<std::uint8_t> scan_;
    std::uint32_t videoSector_ = 0, prevVideoSector_ = 0;
    bool referenceOpen_ = false;
    int gopState_ = 0, firstTemporal_ = -1;
    bool leading_ = false;
    int width_ = 0, height_ = 0;
    bool mpeg2_ = false; // a sequence extension seen

    std::vector<int> cellFirstVobu_;
};

} // namespace mivo::encoder::disc
