// Growable arrays for the run path. The library builds without exceptions,
// where a std::vector that fails to grow aborts the host; these report the
// failure instead, so that a run can end with "out of memory".
#ifndef XMLSLICE_SELECT_BUFFER_HPP
#define XMLSLICE_SELECT_BUFFER_HPP

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace xmlslice::detail {

// An array of trivially copyable T in one malloc'd block. Clearing keeps
// the block, so a buffer reused across runs stops allocating.
template <class T>
class Buffer {
    static_assert(std::is_trivially_copyable<T>::value, "a Buffer moves its items as bytes");

  public:
    Buffer() noexcept = default;
    Buffer(Buffer&& other) noexcept : items_(other.items_), size_(other.size_), room_(other.room_) {
        other.items_ = nullptr;
        other.size_ = other.room_ = 0;
    }
    Buffer& operator=(Buffer&& other) noexcept {
        if (this != &other) {
            std::free(items_);
            items_ = other.items_;
            size_ = other.size_;
            room_ = other.room_;
            other.items_ = nullptr;
            other.size_ = other.room_ = 0;
        }
        return *this;
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { std::free(items_); }

    // Room for count items in all; false when memory ran out.
    bool reserve(std::size_t count) noexcept {
        if (count <= room_) return true;
        std::size_t room = room_ ? room_ : 8;
        while (room < count) {
            if (room > (~std::size_t(0) / sizeof(T)) / 2) return false;
            room *= 2;
        }
        void* grown = std::realloc(static_cast<void*>(items_), room * sizeof(T));
        if (!grown) return false;
        items_ = static_cast<T*>(grown);
        room_ = room;
        return true;
    }
    bool push_back(const T& item) noexcept {
        if (size_ == room_ && !reserve(size_ + 1)) return false;
        items_[size_++] = item;
        return true;
    }
    bool append(const T* items, std::size_t count) noexcept {
        if (!reserve(size_ + count)) return false;
        if (count) std::memcpy(static_cast<void*>(items_ + size_), items, count * sizeof(T));
        size_ += count;
        return true;
    }
    // Sizes to count; new items are left uninitialised.
    bool resize(std::size_t count) noexcept {
        if (!reserve(count)) return false;
        size_ = count;
        return true;
    }
    void truncate(std::size_t count) noexcept { size_ = count < size_ ? count : size_; }
    void clear() noexcept { size_ = 0; }
    void pop_back() noexcept { --size_; }

    T* data() noexcept { return items_; }
    const T* data() const noexcept { return items_; }
    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    T& operator[](std::size_t k) noexcept { return items_[k]; }
    const T& operator[](std::size_t k) const noexcept { return items_[k]; }
    T& back() noexcept { return items_[size_ - 1]; }
    T* begin() noexcept { return items_; }
    T* end() noexcept { return items_ + size_; }
    const T* begin() const noexcept { return items_; }
    const T* end() const noexcept { return items_ + size_; }

  private:
    T* items_ = nullptr;
    std::size_t size_ = 0;
    std::size_t room_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_BUFFER_HPP
