// A small seeded generator (splitmix64): the same seed gives the same
// documents and expressions on every host, which std's distributions do not
// promise.
#ifndef XMLSLICE_DIFFERENTIAL_RANDOM_SOURCE_HPP
#define XMLSLICE_DIFFERENTIAL_RANDOM_SOURCE_HPP

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace differential {

class RandomSource {
  public:
    explicit RandomSource(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1; n > 0.
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    // True with probability percent/100.
    bool chance(unsigned percent) { return below(100) < percent; }
    template <class T>
    const T& pick(const std::vector<T>& items) {
        return items[below(items.size())];
    }
    const char* pick(std::initializer_list<const char*> items) {
        return items.begin()[below(items.size())];
    }

  private:
    std::uint64_t state_;
};

}  // namespace differential

#endif  // XMLSLICE_DIFFERENTIAL_RANDOM_SOURCE_HPP
