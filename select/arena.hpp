// Memory for the strings a run makes (string values, concat, substring,
// formatted numbers): blocks kept between runs, handed out front to back and
// taken back to a mark, so that what a predicate made for one node is gone
// before the next node.
#ifndef XMLSLICE_SELECT_ARENA_HPP
#define XMLSLICE_SELECT_ARENA_HPP

#include <cstddef>
#include <cstdlib>

#include "select/buffer.hpp"

namespace xmlslice::detail {

class Arena {
  public:
    struct Mark {
        std::size_t block;
        std::size_t used;
    };

    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() {
        for (Block& block : blocks_) std::free(block.bytes);
    }

    Mark mark() const { return {current_, used_}; }
    void release(Mark mark) {
        current_ = mark.block;
        used_ = mark.used;
    }
    void reset() { release({0, 0}); }

    // count bytes that stay until released; null when out of memory.
    char* allocate(std::size_t count) {
        for (; current_ < blocks_.size(); ++current_, used_ = 0) {
            Block& block = blocks_[current_];
            if (block.size - used_ >= count) {
                char* bytes = block.bytes + used_;
                used_ += count;
                return bytes;
            }
        }
        std::size_t size = blocks_.empty() ? 4096 : 2 * blocks_.back().size;
        while (size < count) size *= 2;
        Block block{static_cast<char*>(std::malloc(size)), size};
        if (!block.bytes) return nullptr;
        if (!blocks_.push_back(block)) {
            std::free(block.bytes);
            return nullptr;
        }
        current_ = blocks_.size() - 1;
        used_ = count;
        return block.bytes;
    }

  private:
    struct Block {
        char* bytes;
        std::size_t size;
    };
    Buffer<Block> blocks_;
    std::size_t current_ = 0;
    std::size_t used_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_ARENA_HPP
