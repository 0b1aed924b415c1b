// A growable array of trivially copyable values on malloc/realloc, for
// parse-time and write-time state. Growth is geometric; a failed growth
// leaves the contents as they were and reports false.
#ifndef XMLSLICE_POD_VECTOR_HPP
#define XMLSLICE_POD_VECTOR_HPP

#include <cstddef>
#include <cstdlib>
#include <type_traits>

namespace xmlslice::detail {

template <class T>
class PodVector {
    static_assert(std::is_trivially_copyable<T>::value, "PodVector holds plain values");

  public:
    PodVector() = default;
    PodVector(const PodVector&) = delete;
    PodVector& operator=(const PodVector&) = delete;
    ~PodVector() { std::free(data_); }

    bool reserve(std::size_t wanted) {
        if (wanted <= capacity_) return true;
        std::size_t capacity = capacity_ ? capacity_ * 2 : 16;
        if (capacity < wanted) capacity = wanted;
        if (capacity > ~std::size_t(0) / sizeof(T)) return false;
        void* grown = std::realloc(data_, capacity * sizeof(T));
        if (!grown) return false;
        data_ = static_cast<T*>(grown);
        capacity_ = capacity;
        return true;
    }
    bool push(const T& value) {
        if (size_ == capacity_ && !reserve(size_ + 1)) return false;
        data_[size_++] = value;
        return true;
    }
    void pop() { --size_; }
    void truncate(std::size_t size) { size_ = size; }
    void clear() { size_ = 0; }

    T* data() { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }
    T& back() { return data_[size_ - 1]; }

  private:
    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_POD_VECTOR_HPP
