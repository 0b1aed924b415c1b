// Which encoding an input is in: a byte-order mark, or the encoding an XML
// declaration at the very start names. Names compare without regard to the
// case of ASCII letters, whatever the locale.
#include <cstring>

#include "parser/byte_class.hpp"
#include "parser/parser.hpp"
#include "parser/text_decode.hpp"

namespace xmlslice::detail {

namespace {

struct KnownEncoding {
    const char* name;  // in lower case
    InputEncoding encoding;
};

// UTF-16 named by a document without a byte-order mark is read as it
// always was: as UTF-8, the only way its '<?xml' could be seen. The common
// aliases of these names are read too, so that no document that parsed
// before is refused for its spelling.
constexpr KnownEncoding known_encodings[] = {
    {"utf-8", InputEncoding::utf8},
    {"utf8", InputEncoding::utf8},
    {"utf-16", InputEncoding::utf8},
    {"utf-16le", InputEncoding::utf8},
    {"utf-16be", InputEncoding::utf8},
    {"iso-8859-1", InputEncoding::latin1},
    {"iso8859-1", InputEncoding::latin1},
    {"latin1", InputEncoding::latin1},
    {"us-ascii", InputEncoding::latin1},
    {"ascii", InputEncoding::latin1},
    {"windows-1252", InputEncoding::windows_1252},
    {"cp1252", InputEncoding::windows_1252},
};

bool names_encoding(const char* name, std::size_t length, const char* lower) {
    for (std::size_t k = 0; k < length; ++k, ++lower) {
        char c = name[k] >= 'A' && name[k] <= 'Z' ? static_cast<char>(name[k] + 32) : name[k];
        if (!*lower || c != *lower) return false;
    }
    return !*lower;
}

}  // namespace

[[gnu::cold]] InputEncoding input_encoding(const char* buffer, std::size_t length,
                                           const char*& name, std::size_t& name_length) {
    auto first = static_cast<unsigned char>(buffer[0]);
    if (first == 0xFE || first == 0xFF)
        return first == 0xFE ? InputEncoding::utf16_big : InputEncoding::utf16_little;
    if (length < 6 || std::memcmp(buffer, "<?xml", 5) != 0 || !has_class(buffer[5], BLANK))
        return InputEncoding::utf8;
    const auto* gt = static_cast<const char*>(std::memchr(buffer, '>', length));
    const char* end = gt ? gt : buffer + length;
    const auto* at = static_cast<const char*>(memmem(buffer, end - buffer, "encoding", 8));
    if (!at) return InputEncoding::utf8;
    for (at += 8; at < end && has_class(*at, SKIP_BEFORE_VALUE);) ++at;
    if (at == end || (*at != '"' && *at != '\'')) return InputEncoding::utf8;
    const auto* close = static_cast<const char*>(std::memchr(at + 1, *at, end - at - 1));
    if (!close) return InputEncoding::utf8;
    name = at + 1;
    name_length = close - name;
    for (const KnownEncoding& known : known_encodings)
        if (names_encoding(name, name_length, known.name)) return known.encoding;
    return InputEncoding::unsupported;
}

[[gnu::cold]] bool convert_input(Parser& parser, char*& buffer, std::size_t& length) {
    const char* name = nullptr;
    std::size_t name_length = 0;
    InputEncoding encoding = input_encoding(buffer, length, name, name_length);
    if (encoding == InputEncoding::utf8) return true;
    if (encoding == InputEncoding::unsupported) {
        parser.document->text_start = buffer;  // for the line of the name
        parser.document->text_end = buffer + length;
        return record_error(parser, name, "unsupported encoding \"%.*s\"",
                            static_cast<int>(name_length), name);
    }
    bool no_memory = false;
    parser.document->converted = convert_to_utf8(buffer, length, encoding, no_memory);
    return !no_memory || out_of_memory(parser, nullptr);
}

}  // namespace xmlslice::detail
