#include "small_disk.h"

#include "base/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>

namespace mivo::test {

namespace {

// Once per process: mounts made afterwards stay in this process's own namespace.
std::string privateMountNamespace() {
    static const std::string refusal = []() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("mount --make-rprivate: ") + std::strerror(errno);
        return {};
    }();
    return refusal;
}

} // namespace

SmallDisk::SmallDisk(std::size_t bytes) {
    char name[] = "/tmp/mivo-small-disk-XXXXXX";
    if (!::mkdtemp(name)) throw std::runtime_error("mkdtemp failed");
    folder_ = std::string(name) + "/";
    filler_ = folder_ + ".filler";
    refusal_ = privateMountNamespace();
    if (refusal_.empty()) {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("tmpfs", name, "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0)
            mounted_ = true;
        else
            refusal_ = std::string("mount tmpfs: ") + std::strerror(errno);
    }
    if (!mounted_)
        std::fprintf(stderr, "small disk refused (%s): the whole-file seam stands in\n", refusal_.c_str());
}

SmallDisk::~SmallDisk() {
    injectWriteFault(WriteFault::None);
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

void SmallDisk::fill() {
    if (!mounted_) return injectWriteFault(WriteFault::DiskFull);
    const int fd = ::open(filler_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) throw std::runtime_error("cannot make the filler file");
    static const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    ::close(fd);
}

void SmallDisk::makeReadOnly() {
    if (!mounted_) return injectWriteFault(WriteFault::ReadOnly);
    if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) !=
        0)
        throw std::runtime_error(std::string("remount read-only: ") + std::strerror(errno));
}

void SmallDisk::restore() {
    injectWriteFault(WriteFault::None);
    if (!mounted_) return;
    if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_NOSUID | MS_NODEV, nullptr) != 0)
        throw std::runtime_error(std::string("remount writable: ") + std::strerror(errno));
    ::unlink(filler_.c_str());
}

} // namespace mivo::test
