// The output block: 1024 bytes to start, geometric growth, one trim.
#include <cstdlib>
#include <utility>

#include "support/growth.hpp"
#include "writer/writer.hpp"

namespace xmlslice::detail {

namespace {
constexpr std::size_t STEP = 1024;
}

bool OutputBuffer::open(std::size_t expected) {
    capacity = (expected + STEP) / STEP * STEP;
    storage = static_cast<char*>(std::malloc(capacity));
    return storage != nullptr;
}

// Growth is geometric, in whole 1024-byte steps.
bool OutputBuffer::grow(std::size_t needed) {
    if (storage && detail::grow(storage, capacity, (needed + STEP - 1) / STEP * STEP)) return true;
    fail();
    return false;
}

void OutputBuffer::fail() {
    std::free(storage);
    storage = nullptr;
    used = capacity = 0;
}

char* OutputBuffer::close() {
    if (!storage) return nullptr;
    storage[used] = '\0';  // every write leaves at least this byte free
    trim(storage, used + 1);
    return std::exchange(storage, nullptr);
}

}  // namespace xmlslice::detail
