#pragma once
// A small file system of its own for the tests of what happens when a write fails half way: a tmpfs
// mounted in a private mount namespace (so nothing outside the test process sees it, and it vanishes
// with the process), which the test fills up or makes read-only. Where mounting is refused (no
// administrator rights, a container that forbids it), the whole-file seam stands in for the disk, and
// mounted() says so; writers that do not use the whole-file functions (another process) can then not
// be tested.

#include <cstddef>
#include <string>

namespace mivo::test {

class SmallDisk {
  public:
    explicit SmallDisk(std::size_t bytes = 1 << 20);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // The folder, ending with '/'.
    const std::string& folder() const { return folder_; }
    bool mounted() const { return mounted_; }
    // Why mounting was refused (empty when mounted).
    const std::string& refusal() const { return refusal_; }

    void fill();         // no room left: the next write fails at Write
    void makeReadOnly(); // the next write fails at Open
    void restore();      // writable again, with the room it had before fill()

  private:
    std::string folder_, refusal_, filler_;
    bool mounted_ = false;
};

} // namespace mivo::test
