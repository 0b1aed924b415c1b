#include "parser/entity_set.hpp"

#include <cstdlib>
#include <cstring>

#include "parser/byte_class.hpp"
#include "parser/text_decode.hpp"
#include "support/growth.hpp"

namespace xmlslice::detail {

namespace {

// A natural name can only be matched by the text up to the first ';', and
// never spans a '&' or '%', so one hash lookup finds it.
bool is_natural(const char* name, std::size_t length) {
    for (std::size_t i = 0; i + 1 < length; ++i)
        if (name[i] == ';' || name[i] == '&' || name[i] == '%') return false;
    return length > 0 && name[length - 1] == ';';
}

// Natural entries a table held before the document declared any (its
// predefined entities) are tried first, up to this many.
constexpr std::size_t MOST_LEADING = 8;

}  // namespace

// A value that is exactly one valid character reference decodes to the same
// bytes wherever it is used, so its encoding is kept ready.
[[gnu::cold]] bool EntitySet::index_entry(std::size_t name_length, std::size_t value_length) {
    Entry entry{name_length, value_length, {}, 0, false};
    const char* text = value(count_);
    entry.line_end = std::memchr(text, '\n', value_length) || std::memchr(text, '\r', value_length);
    std::int64_t code_point;
    std::size_t length;
    if (value_length > 3 && text[0] == '&' && text[1] == '#' &&
        read_reference_number(text + 2, code_point, length) && length == value_length - 2)
        entry.single_length = static_cast<unsigned char>(encode_utf8(code_point, entry.single));
    entry.line_end |=
        entry.single_length == 1 && (entry.single[0] == '\n' || entry.single[0] == '\r');
    if (!entries_.push(entry)) return false;
    const char* entry_name = name(count_++);
    if (!is_natural(entry_name, name_length)) return exotic_.push(count_ - 1);
    if (name_length > longest_natural_) longest_natural_ = name_length;
    return natural_.insert(0, entry_name, name_length, count_ - 1);
}

bool EntitySet::index_existing() {
    while ((*table_)[2 * count_])
        if (!index_entry(std::strlen(name(count_)), std::strlen(value(count_)))) return false;
    while (leading_ < count_ && leading_ < MOST_LEADING &&
           is_natural(name(leading_), entries_[leading_].name_length))
        ++leading_;
    return true;
}

bool EntitySet::reserve_one() {
    return grow(*table_, capacity_, 2 * count_ + 3);
}

bool EntitySet::add(char* name, std::size_t name_length, char* value, std::size_t value_length) {
    char** table = *table_;
    table[2 * count_] = name;
    table[2 * count_ + 1] = value;
    table[2 * count_ + 2] = nullptr;
    return index_entry(name_length, value_length);
}

void EntitySet::trim() {
    if (capacity_) detail::trim(*table_, 2 * count_ + 1);
    capacity_ = 2 * count_ + 1;
}

// Names the hash cannot find are compared one by one; the bytes compared
// count against the parse's bound, so many of them cannot make it quadratic.
[[gnu::cold]] std::size_t EntitySet::find_exotic(Lookahead reader, std::size_t& searched) const {
    for (std::size_t i = 0; i < exotic_.size(); ++i) {
        Lookahead at = reader;
        const char* wanted = name(exotic_[i]);
        while (*wanted && at.next() == static_cast<unsigned char>(*wanted)) ++wanted;
        searched += static_cast<std::size_t>(wanted - name(exotic_[i])) + 1;
        if (!*wanted) return exotic_[i];
    }
    return npos;
}

// A natural name ends at the first ';', and a '&', '%' or blank before it
// rules every natural name out. The key is hashed where it lies when it does
// not run past the end of the segment being read.
std::size_t EntitySet::find_natural(Lookahead reader, PodVector<char>& key) const {
    std::size_t available;
    const char* bytes = reader.contiguous(available);
    std::size_t limit = available < longest_natural_ ? available : longest_natural_;
    for (std::size_t i = 0; i < limit; ++i) {
        char c = bytes[i];
        if (c == ';') return natural_.find(0, bytes, i + 1);
        if (c == '&' || c == '%' || has_class(c, BLANK)) return npos;
    }
    if (limit == longest_natural_) return npos;
    key.clear();
    for (int c; (c = reader.next()) >= 0 && key.size() < longest_natural_;) {
        if (c == '&' || c == '%' || has_class(static_cast<char>(c), BLANK)) break;
        if (!key.push(static_cast<char>(c))) break;
        if (c == ';') return natural_.find(0, key.data(), key.size());
    }
    return npos;
}

// Most references name a predefined entity. Those lead the table, so the
// first of them the text surely begins with is the answer; when the text
// ends too soon to tell, the full search decides.
std::size_t EntitySet::find_leading(const char* bytes, std::size_t available) const {
    for (std::size_t entry = 0; entry < leading_; ++entry) {
        std::size_t length = entries_[entry].name_length;
        std::size_t compared = length < available ? length : available;
        if (compared && (bytes[0] != name(entry)[0] || !equal_bytes(bytes, name(entry), compared)))
            continue;
        return compared == length ? entry : npos;
    }
    return npos;
}

bool EntitySet::find(Lookahead reader, DecodeContext& context, Match& match) const {
    reader.next();  // the '&' or '%'
    std::size_t available;
    const char* bytes = reader.contiguous(available);
    std::size_t natural = find_leading(bytes, available);
    std::size_t found = npos;
    if (natural == npos) {
        if (!exotic_.empty()) found = find_exotic(reader, context.searched);
        natural = find_natural(reader, context.spanning);
    }
    if (natural < found) found = natural;
    if (found == npos) return false;
    // The reference runs to the first ';', which a natural name has only at its end.
    std::size_t length = found == natural ? entries_[found].name_length
                                          : std::strchr(name(found), ';') - name(found) + 1;
    match = {found, length + 1};
    return true;
}

}  // namespace xmlslice::detail
