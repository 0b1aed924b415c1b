// Which blocks a call frees. The test binary links with --wrap=free, so
// every free made by the library's objects and the tests passes through
// here; a FreeLog records them while it lives.
#ifndef XMLSLICE_TESTS_FREE_LOG_HPP
#define XMLSLICE_TESTS_FREE_LOG_HPP

#include <cstddef>
#include <vector>

namespace xmlslice::test_support {

class FreeLog {
  public:
    FreeLog();
    ~FreeLog();
    FreeLog(const FreeLog&) = delete;
    FreeLog& operator=(const FreeLog&) = delete;

    // The blocks freed so far, in order.
    std::vector<const void*> freed() const;
    bool freed(const void* block) const;
};

}  // namespace xmlslice::test_support

#endif  // XMLSLICE_TESTS_FREE_LOG_HPP
