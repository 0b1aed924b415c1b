// Fills a table of per-key lists while a parse reads them: the attribute
// declarations by element name, the instructions by target. A list holds
// its key, its slots, a null and `trailer` slots of the caller's; the table
// and its lists grow geometrically and get their exact sizes in trim().
#ifndef XMLSLICE_KEYED_LISTS_HPP
#define XMLSLICE_KEYED_LISTS_HPP

#include <cstddef>

#include "support/pod_vector.hpp"
#include "tree/tables.hpp"

namespace xmlslice::detail {

class KeyedLists {
  public:
    static constexpr std::size_t none = ListFinder::none;

    // table: where the table pointer lives; it holds no list yet.
    KeyedLists(char**** table, std::size_t trailer)
        : table_(table), finder_(table), trailer_(trailer) {}

    bool empty() const { return fills_.empty(); }
    std::size_t find(const char* key, std::size_t length) { return finder_.find(key, length); }
    char** list(std::size_t list) const { return finder_[list]; }
    // The list called key, made when there is none; none without memory.
    std::size_t list_for(char* key, std::size_t length);
    // Room for `count` more slots at the end of a list: where to write them.
    // Null without memory.
    char** append(std::size_t list, std::size_t count);
    std::size_t count(std::size_t list) const { return fills_[list].used; }
    void trim();

  private:
    struct Fill {
        std::size_t used;      // slots after the key
        std::size_t capacity;  // pointer slots of the list's block
    };
    char**** table_;
    ListFinder finder_;
    std::size_t trailer_;
    PodVector<Fill> fills_;
    std::size_t table_capacity_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_KEYED_LISTS_HPP
