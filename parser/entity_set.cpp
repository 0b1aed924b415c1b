#include "parser/entity_set.hpp"

#include <cstdlib>
#include <cstring>

#include "parser/byte_class.hpp"

namespace xmlslice::detail {

namespace {

// A natural name can only be matched by the text up to the first ';', and
// never spans a '&' or '%', so one hash lookup finds it.
bool is_natural(const char* name, std::size_t length) {
    for (std::size_t i = 0; i + 1 < length; ++i)
        if (name[i] == ';' || name[i] == '&' || name[i] == '%') return false;
    return length > 0 && name[length - 1] == ';';
}

}  // namespace

bool EntitySet::index_entry(std::size_t entry, std::size_t name_length) {
    const char* entry_name = name(entry);
    if (!is_natural(entry_name, name_length)) return exotic_.push(entry);
    if (name_length > longest_natural_) longest_natural_ = name_length;
    return natural_.insert(0, entry_name, name_length, entry);
}

bool EntitySet::index_existing() {
    for (count_ = 0; (*table_)[2 * count_]; ++count_) {
        std::size_t length = std::strlen(value(count_));
        if (!value_lengths_.push(length) || !index_entry(count_, std::strlen(name(count_))))
            return false;
    }
    return true;
}

bool EntitySet::reserve_one() {
    std::size_t needed = 2 * count_ + 3;
    if (needed <= capacity_) return true;
    std::size_t capacity = needed * 2;
    void* grown = std::realloc(*table_, capacity * sizeof(char*));
    if (!grown) return false;
    *table_ = static_cast<char**>(grown);
    capacity_ = capacity;
    return value_lengths_.reserve(count_ + 1);
}

bool EntitySet::add(char* name, std::size_t name_length, char* value, std::size_t value_length) {
    char** table = *table_;
    table[2 * count_] = name;
    table[2 * count_ + 1] = value;
    table[2 * count_ + 2] = nullptr;
    value_lengths_.push(value_length);
    return index_entry(count_++, name_length);
}

void EntitySet::trim() {
    if (capacity_ == 0) return;
    void* exact = std::realloc(*table_, (2 * count_ + 1) * sizeof(char*));
    if (exact) *table_ = static_cast<char**>(exact);
    capacity_ = 2 * count_ + 1;
}

std::size_t EntitySet::find_exotic(Lookahead reader) const {
    for (std::size_t i = 0; i < exotic_.size(); ++i) {
        Lookahead at = reader;
        const char* wanted = name(exotic_[i]);
        while (*wanted && at.next() == static_cast<unsigned char>(*wanted)) ++wanted;
        if (!*wanted) return exotic_[i];
    }
    return NameIndex::npos;
}

bool EntitySet::find(Lookahead reader, PodVector<char>& key, Match& match) const {
    reader.next();  // the '&' or '%'
    std::size_t found = exotic_.empty() ? NameIndex::npos : find_exotic(reader);
    key.clear();
    for (int c; (c = reader.next()) >= 0;) {
        if (c == '&' || c == '%' || has_class(static_cast<char>(c), BLANK)) break;
        if (!key.push(static_cast<char>(c))) return false;
        if (c == ';') {
            std::size_t natural = natural_.find(0, key.data(), key.size());
            if (natural < found) found = natural;
            break;
        }
        if (key.size() >= longest_natural_) break;
    }
    if (found == NameIndex::npos) return false;
    const char* semicolon = std::strchr(name(found), ';');
    match = {found, static_cast<std::size_t>(semicolon - name(found)) + 2};
    return true;
}

}  // namespace xmlslice::detail
