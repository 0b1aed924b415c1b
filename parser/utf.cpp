// The code-point encoder and the UTF-16 to UTF-8 conversion of whole inputs.
#include <cstdlib>

#include "parser/text_decode.hpp"
#include "support/growth.hpp"

namespace xmlslice::detail {

std::size_t encode_utf8(std::int64_t code_point, char* destination) {
    if (code_point <= 127) {
        destination[0] = static_cast<char>(code_point & 0xFF);
        return 1;
    }
    auto value = static_cast<std::uint64_t>(code_point);
    int continuation = (62 - __builtin_clzll(value)) / 5;  // (significant bits - 2) / 5
    destination[0] =
        static_cast<char>(((0xFFu << (7 - continuation)) | (value >> (6 * continuation))) & 0xFF);
    for (int j = continuation - 1, at = 1; j >= 0; --j, ++at)
        destination[at] = static_cast<char>(0x80 | ((value >> (6 * j)) & 0x3F));
    return static_cast<std::size_t>(continuation) + 1;
}

namespace {

struct Utf16Reader {
    const unsigned char* bytes;
    std::size_t length;
    bool big_endian;

    unsigned unit_at(std::size_t offset) const {
        unsigned first = bytes[offset], second = bytes[offset + 1];
        return big_endian ? first * 256 + second : first + second * 256;
    }
    // The code point at offset; moves offset past the units it used. Any
    // surrogate takes the following whole unit as its partner, whatever it is.
    std::int64_t next(std::size_t& offset) const {
        unsigned unit = unit_at(offset);
        offset += 2;
        bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        if (!surrogate || offset + 1 >= length) return unit;
        unsigned partner = unit_at(offset);
        offset += 2;
        return (((unit & 0x3FFu) << 10) | (partner & 0x3FFu)) + 0x10000;
    }
};

}  // namespace

char* utf16_to_utf8(char*& buffer, std::size_t& length, bool& out_of_memory) {
    auto first = static_cast<unsigned char>(buffer[0]);
    if (first != 0xFE && first != 0xFF) return nullptr;
    Utf16Reader reader{reinterpret_cast<const unsigned char*>(buffer), length, first == 0xFE};
    // A unit gives at most three bytes, a pair four: room for the most, then
    // the block is trimmed to what was written.
    char* output = static_cast<char*>(std::malloc(length / 2 * 3 + 1));
    if (!output) {
        out_of_memory = true;
        return nullptr;
    }
    std::size_t used = 0;
    for (std::size_t offset = 2; offset + 1 < length;)
        used += encode_utf8(reader.next(offset), output + used);
    trim(output, used ? used : 1);
    buffer = output;
    length = used;
    return output;
}

}  // namespace xmlslice::detail
