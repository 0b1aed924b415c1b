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

// Natural entries a table held before the document declared any (its
// predefined entities) are tried first, up to this many.
constexpr std::size_t MOST_LEADING = 8;

}  // namespace

// A value that is exactly one valid character reference decodes to the same
// bytes wherever it is used, so its encoding is kept ready.
bool EntitySet::note_value_facts(std::size_t entry) {
    ValueFacts single{};
    const char* text = value(entry);
    std::size_t length = value_lengths_[entry];
    single.line_end = std::memchr(text, '\n', length) || std::memchr(text, '\r', length);
    if (length > 3 && text[0] == '&' && text[1] == '#') {
        DecodeContext::Segment segment{text + 2, text + length};
        Lookahead reader(&segment, 1);
        std::int64_t code_point;
        if (read_reference_number(reader, code_point) && reader.consumed() == length - 2)
            single.length = static_cast<unsigned char>(encode_utf8(code_point, single.bytes));
    }
    single.line_end |= single.length == 1 && (single.bytes[0] == '\n' || single.bytes[0] == '\r');
    return value_facts_.push(single);
}

bool EntitySet::index_entry(std::size_t entry, std::size_t name_length) {
    if (!name_lengths_.push(name_length) || !note_value_facts(entry)) return false;
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
    while (leading_ < count_ && leading_ < MOST_LEADING &&
           is_natural(name(leading_), name_lengths_[leading_]))
        ++leading_;
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

// Names the hash cannot find are compared one by one; the bytes compared
// count against the parse's bound, so many of them cannot make it quadratic.
std::size_t EntitySet::find_exotic(Lookahead reader, std::size_t& searched) const {
    for (std::size_t i = 0; i < exotic_.size(); ++i) {
        Lookahead at = reader;
        const char* wanted = name(exotic_[i]);
        while (*wanted && at.next() == static_cast<unsigned char>(*wanted)) ++wanted;
        searched += static_cast<std::size_t>(wanted - name(exotic_[i])) + 1;
        if (!*wanted) return exotic_[i];
    }
    return NameIndex::npos;
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
        if (c == '&' || c == '%' || has_class(c, BLANK)) return NameIndex::npos;
    }
    if (limit == longest_natural_) return NameIndex::npos;
    key.clear();
    for (int c; (c = reader.next()) >= 0 && key.size() < longest_natural_;) {
        if (c == '&' || c == '%' || has_class(static_cast<char>(c), BLANK)) break;
        if (!key.push(static_cast<char>(c))) break;
        if (c == ';') return natural_.find(0, key.data(), key.size());
    }
    return NameIndex::npos;
}

// Most references name a predefined entity. Those lead the table, so the
// first of them the text surely begins with is the answer; when the text
// ends too soon to tell, the full search decides.
std::size_t EntitySet::find_leading(const char* bytes, std::size_t available) const {
    for (std::size_t entry = 0; entry < leading_; ++entry) {
        std::size_t length = name_lengths_[entry];
        std::size_t compared = length < available ? length : available;
        if (compared && (bytes[0] != name(entry)[0] || !equal_bytes(bytes, name(entry), compared)))
            continue;
        return compared == length ? entry : NameIndex::npos;
    }
    return NameIndex::npos;
}

bool EntitySet::find(Lookahead reader, DecodeContext& context, Match& match) const {
    reader.next();  // the '&' or '%'
    std::size_t available;
    const char* bytes = reader.contiguous(available);
    std::size_t natural = find_leading(bytes, available);
    std::size_t found = NameIndex::npos;
    if (natural == NameIndex::npos) {
        if (!exotic_.empty()) found = find_exotic(reader, context.searched);
        natural = find_natural(reader, context.key);
    }
    if (natural < found) found = natural;
    if (found == NameIndex::npos) return false;
    // The reference runs to the first ';', which a natural name has only at its end.
    std::size_t length =
        found == natural ? name_lengths_[found] : std::strchr(name(found), ';') - name(found) + 1;
    match = {found, length + 1};
    return true;
}

bool EntitySet::single_reference(std::size_t entry, char* encoded, std::size_t& length) const {
    const ValueFacts& single = value_facts_[entry];
    if (!single.length) return false;
    std::memcpy(encoded, single.bytes, sizeof single.bytes);
    length = single.length;
    return true;
}

}  // namespace xmlslice::detail
