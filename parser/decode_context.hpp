// What every decode of one parse shares: the bound on entity work, the stack
// of entity values being read, and a reader that looks ahead across them.
#ifndef XMLSLICE_DECODE_CONTEXT_HPP
#define XMLSLICE_DECODE_CONTEXT_HPP

#include <cstddef>

#include "support/pod_vector.hpp"

namespace xmlslice::detail {

// A stretch of text being read: the main text, or an entity's value.
struct Segment {
    const char* next;
    const char* end;
};

struct DecodeContext {
    std::size_t expanded = 0;  // bytes inserted by entity substitution so far
    // Bytes walked matching names that the hash cannot find and checking
    // declarations for cycles: work that inserts nothing but is bounded too.
    std::size_t searched = 0;
    std::size_t expansion_limit = ~std::size_t(0);
    std::size_t search_limit = ~std::size_t(0);
    bool over_limit() const { return expanded > expansion_limit || searched > search_limit; }
    PodVector<Segment> segments;  // innermost last
    PodVector<char> key;          // a name that spans segments, gathered
};

// Reads bytes forward across segments: from the innermost segment's cursor
// on, then on through the segments below it.
class Lookahead {
  public:
    Lookahead(const Segment* segments, std::size_t depth)
        : segments_(segments), level_(depth - 1), at_(segments[depth - 1].next) {}
    // The next byte, or -1 after the last byte of the bottom segment.
    int next() {
        int c = peek();
        if (c >= 0) ++at_, ++consumed_;
        return c;
    }
    int peek() {
        while (at_ == segments_[level_].end) {
            if (level_ == 0) return -1;
            at_ = segments_[--level_].next;
        }
        return static_cast<unsigned char>(*at_);
    }
    std::size_t consumed() const { return consumed_; }
    // The bytes left in the segment being read, which follow without a gap.
    const char* contiguous(std::size_t& length) const {
        length = static_cast<std::size_t>(segments_[level_].end - at_);
        return at_;
    }

  private:
    const Segment* segments_;
    std::size_t level_;
    const char* at_;
    std::size_t consumed_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_DECODE_CONTEXT_HPP
