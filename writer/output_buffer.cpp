// The output block: 1024 bytes to start, geometric growth, one trim.
#include <cstdlib>

#include "writer/writer.hpp"

namespace xmlslice::detail {

namespace {
constexpr std::size_t GROWTH_STEP = 1024;
}

bool OutputBuffer::open() {
    storage = static_cast<char*>(std::malloc(GROWTH_STEP));
    if (!storage) return false;
    storage[0] = '\0';
    used = 0;
    capacity = GROWTH_STEP;
    return true;
}

// Growth is geometric, in whole 1024-byte steps: one step at a time would
// copy a long output over and over whenever realloc cannot extend in place.
bool OutputBuffer::grow(std::size_t needed) {
    if (!storage) return false;
    std::size_t wanted = capacity + capacity / 2;
    if (wanted < needed) wanted = needed;
    std::size_t grown = (wanted + GROWTH_STEP - 1) / GROWTH_STEP * GROWTH_STEP;
    char* moved = grown >= needed ? static_cast<char*>(std::realloc(storage, grown)) : nullptr;
    if (!moved) {
        fail();
        return false;
    }
    storage = moved;
    capacity = grown;
    return true;
}

void OutputBuffer::fail() {
    std::free(storage);
    storage = nullptr;
    used = capacity = 0;
}

char* OutputBuffer::close() {
    if (!storage) return nullptr;
    storage[used] = '\0';  // every write leaves at least this byte free
    // A failed trim leaves the larger block, which still holds the text.
    char* trimmed = static_cast<char*>(std::realloc(storage, used + 1));
    char* result = trimmed ? trimmed : storage;
    storage = nullptr;
    return result;
}

}  // namespace xmlslice::detail
