// The code-point encoder and the conversion of whole UTF-16 and single-byte
// inputs to UTF-8.
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

// Windows-1252's characters for 0x80 to 0x9F; the five it leaves undefined
// stand for themselves, as ISO-8859-1 has them.
constexpr std::uint16_t windows_1252_high[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178,
};

}  // namespace

[[gnu::cold]] char* convert_to_utf8(char*& buffer, std::size_t& length, InputEncoding from,
                                    bool& out_of_memory) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
    bool wide = from == InputEncoding::utf16_big || from == InputEncoding::utf16_little;
    std::size_t width = wide ? 2 : 1;
    std::size_t high = from == InputEncoding::utf16_little;  // where a unit's high byte lies
    // A unit gives at most three bytes (a single byte too: U+20AC), a pair
    // four: room for the most, then the block is trimmed to what was written.
    char* output = static_cast<char*>(std::malloc(length / width * 3 + 1));
    if (!output) {
        out_of_memory = true;
        return nullptr;
    }
    std::size_t used = 0;
    for (std::size_t offset = 2 * wide; offset + width <= length; offset += width) {
        std::int64_t code_point = bytes[offset + high];
        if (wide) {
            code_point = code_point << 8 | bytes[offset + 1 - high];
            // Any surrogate takes the following whole unit as its partner, whatever it is.
            if ((code_point >> 11) == 0x1B && offset + 3 < length) {
                offset += 2;
                std::int64_t partner = bytes[offset + high] << 8 | bytes[offset + 1 - high];
                code_point = (((code_point & 0x3FF) << 10) | (partner & 0x3FF)) + 0x10000;
            }
        } else if (from == InputEncoding::windows_1252 && (code_point >> 5) == 4) {
            code_point = windows_1252_high[code_point & 31];
        }
        used += encode_utf8(code_point, output + used);
    }
    trim(output, used ? used : 1);
    buffer = output;
    length = used;
    return output;
}

}  // namespace xmlslice::detail
