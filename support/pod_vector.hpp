// A growable array of plain values, for parse-time and write-time state.
#ifndef XMLSLICE_POD_VECTOR_HPP
#define XMLSLICE_POD_VECTOR_HPP

#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <type_traits>

#include "support/bytes.hpp"
#include "support/growth.hpp"

namespace xmlslice::detail {

template <class T>
class PodVector {
    static_assert(std::is_trivially_copyable<T>::value, "PodVector holds plain values");

  public:
    PodVector() = default;
    PodVector(const PodVector&) = delete;
    PodVector& operator=(const PodVector&) = delete;
    ~PodVector() { std::free(data_); }

    // False when memory runs out; the contents stay as they were.
    bool reserve(std::size_t wanted) { return grow(data_, capacity_, wanted); }
    bool push(const T& value) {
        if (size_ == capacity_ && !reserve(size_ + 1)) return false;
        data_[size_++] = value;
        return true;
    }
    bool append(const char* bytes, std::size_t count) {
        if (!reserve(size_ + count)) return false;
        copy_bytes(data_ + size_, bytes, count);
        size_ += count;
        return true;
    }
    // Callers pop and read the back only of a vector they know holds values.
    void pop() {
        assert(size_ > 0);
        --size_;
    }
    void truncate(std::size_t size) {
        assert(size <= size_);
        size_ = size;
    }
    void clear() { size_ = 0; }

    T* data() { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T& back() {
        assert(size_ > 0);
        return data_[size_ - 1];
    }

  private:
    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_POD_VECTOR_HPP
