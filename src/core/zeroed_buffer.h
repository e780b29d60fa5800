#pragma once
// A fixed-size buffer of plain values that starts out all zero without writing them. calloc hands a large
// block over as fresh zero pages, and the system maps a page only when an entry on it is first written.
// The chapter list is sized for its whole capacity when the program starts and most runs use a handful
// of entries: zeroing its 2.5 MB there cost a page fault per 4 KB before the window could be shown.

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace mivo {

template <class T> class ZeroedBuffer {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_default_constructible_v<T>,
                  "calloc's zero bytes must be a valid zero value of T");

  public:
    explicit ZeroedBuffer(std::size_t size)
        : data_(static_cast<T*>(std::calloc(size, sizeof(T)))), size_(size) {
        if (!data_ && size != 0) throw std::bad_alloc();
    }
    ~ZeroedBuffer() { std::free(data_); }
    ZeroedBuffer(const ZeroedBuffer&) = delete;
    ZeroedBuffer& operator=(const ZeroedBuffer&) = delete;

    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + size_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    std::size_t size() const { return size_; }

  private:
    T* data_;
    std::size_t size_;
};

} // namespace mivo
