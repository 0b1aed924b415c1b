// Parsing helpers shared by the parser tests: every parse works on a heap
// copy sized exactly to the input, so AddressSanitizer flags any access
// beyond the length the parser was given.
#ifndef XMLSLICE_TESTS_PARSE_SUPPORT_HPP
#define XMLSLICE_TESTS_PARSE_SUPPORT_HPP

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "parser/entity_set.hpp"
#include "tree/tree_internal.hpp"
#include "xmlslice.hpp"

namespace xmlslice::test_support {

class Parsed {
  public:
    explicit Parsed(const std::string& bytes)
        : buffer_(static_cast<char*>(std::malloc(bytes.size() ? bytes.size() : 1))) {
        std::memcpy(buffer_, bytes.data(), bytes.size());
        root = document_parse_buffer(buffer_, bytes.size());
    }
    Parsed(const Parsed&) = delete;
    Parsed& operator=(const Parsed&) = delete;
    ~Parsed() {
        element_free(root);
        std::free(buffer_);
    }

    XmlDocument* doc() const { return reinterpret_cast<XmlDocument*>(root); }
    std::string error() const { return document_error_text(root); }
    char* buffer() const { return buffer_; }
    // True when the string is a piece of the parsed text, not a heap copy.
    bool in_text(const char* s) const { return s >= doc()->text_start && s <= doc()->text_end; }
    XmlElement* child(const char* name) const { return element_first_named(root, name); }

    XmlElement* root;

  private:
    char* buffer_;
};

inline std::string error_at(int line, const std::string& message) {
    return "[error near line " + std::to_string(line) + "]: " + message;
}

using detail::is_empty_list;

// An input and the message, with its line, that parsing it records.
struct ErrorCase {
    std::string input;
    int line;
    std::string message;
};

using Pairs = std::vector<std::pair<std::string, std::string>>;

inline Pairs attributes_of(const XmlElement* e) {
    Pairs pairs;
    for (char** a = e->attributes; *a; a += 2) pairs.emplace_back(a[0], a[1]);
    return pairs;
}

inline std::string ownership_of(const XmlElement* e) {
    if (is_empty_list(e->attributes)) return "";
    char** a = e->attributes;
    while (*a) a += 2;
    return a[1];
}

// A UTF-16 document with its byte-order mark.
inline std::string utf16(const std::u16string& units, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : units) {
        char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
        bytes += big_endian ? high : low;
        bytes += big_endian ? low : high;
    }
    return bytes;
}

// Name and value pairs of a null-terminated table such as the entity table.
inline Pairs pairs_of(char** table) {
    Pairs pairs;
    for (; *table; table += 2) pairs.emplace_back(table[0], table[1] ? table[1] : "(null)");
    return pairs;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool allocator_reports_request = true;
#else
constexpr bool allocator_reports_request = false;
#endif

// A heap block was sized to exactly `bytes`, as far as the allocator can
// tell: glibc rounds small blocks up (and may keep a short tail when a block
// shrinks) and gives large ones whole pages.
inline bool sized_exactly(const void* block, std::size_t bytes) {
    std::size_t usable = malloc_usable_size(const_cast<void*>(block));
    if (allocator_reports_request) return usable == bytes;
    std::size_t most = std::max<std::size_t>(bytes + 47, 24);
    if (bytes >= 64 * 1024) most = std::max(most, (bytes + 16 + 4095) / 4096 * 4096);
    return usable >= bytes && usable <= most;
}

// An entity table over host strings, indexed for decoding and cycle checks.
class HostEntities {
  public:
    explicit HostEntities(const std::vector<std::pair<const char*, const char*>>& pairs) {
        for (const auto& [name, value] : pairs) {
            slots_.push_back(const_cast<char*>(name));
            slots_.push_back(const_cast<char*>(value));
        }
        slots_.push_back(nullptr);
        table_ = slots_.data();
        set.index_existing();
    }
    HostEntities(const HostEntities&) = delete;
    HostEntities& operator=(const HostEntities&) = delete;

  private:
    std::vector<char*> slots_;
    char** table_ = nullptr;

  public:
    detail::EntitySet set{&table_};
};

inline const std::vector<std::pair<const char*, const char*>> predefined_entities = {
    {"lt;", "&#60;"}, {"gt;", "&#62;"}, {"quot;", "&#34;"}, {"apos;", "&#39;"}, {"amp;", "&#38;"},
};

}  // namespace xmlslice::test_support

#endif  // XMLSLICE_TESTS_PARSE_SUPPORT_HPP
