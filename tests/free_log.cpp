#include "free_log.hpp"

#include <algorithm>

extern "C" void __real_free(void* block);

namespace {

// A fixed log: recording must not allocate, nor free.
constexpr std::size_t most_logged = 4096;
const void* logged[most_logged];
std::size_t logged_count = 0;
bool recording = false;

}  // namespace

extern "C" void __wrap_free(void* block) {
    if (recording && block && logged_count < most_logged) logged[logged_count++] = block;
    __real_free(block);
}

namespace xmlslice::test_support {

FreeLog::FreeLog() {
    logged_count = 0;
    recording = true;
}

FreeLog::~FreeLog() {
    recording = false;
}

std::vector<const void*> FreeLog::freed() const {
    return std::vector<const void*>(logged, logged + logged_count);
}

bool FreeLog::freed(const void* block) const {
    return std::find(logged, logged + logged_count, block) != logged + logged_count;
}

}  // namespace xmlslice::test_support
