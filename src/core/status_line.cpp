#include "core/status_line.h"

#include "base/text.h"
#include "core/control_ids.h"
#include "core/control_model.h"

#include <algorithm>

namespace mivo {

namespace {
std::size_t trimmedLength(std::string_view s) {
    return trimmedRight(s).size();
}
} // namespace

std::string_view StatusBuffer::write(std::string_view text, bool append) {
    const std::size_t n = trimmedLength(text);
    if (!append) {
        buffer_.fill(' ');
        std::copy_n(text.begin(), std::min(n, kCapacity), buffer_.begin());
    } else {
        const std::size_t k = trimmedLength(std::string_view(buffer_.data(), kCapacity));
        const std::size_t room = kCapacity - k;
        std::copy_n(text.begin(), std::min(n, room), buffer_.begin() + static_cast<std::ptrdiff_t>(k));
    }
    const std::size_t m = trimmedLength(std::string_view(buffer_.data(), kCapacity));
    for (std::size_t i = 0; i < m; ++i)
        if (buffer_[i] == '\n') buffer_[i] = ' ';
    std::size_t counter = 0;
    for (std::size_t i = 0; i < m; ++i) {
        ++counter;
        if (buffer_[i] == ' ' && counter > kBreakAfter) {
            buffer_[i] = '\n';
            counter = 0;
        }
    }
    length_ = m;
    return shown();
}

void StatusLine::show(std::string_view text, bool append) {
    model_.setText(PageId::Window, ids::window::status, buffer_.write(text, append));
}

void StatusLine::clear() {
    model_.setText(PageId::Window, ids::window::status, "");
}

} // namespace mivo
