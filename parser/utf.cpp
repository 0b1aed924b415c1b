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

char* utf16_to_utf8(char*& buffer, std::size_t& length, bool& out_of_memory) {
    auto first = static_cast<unsigned char>(buffer[0]);
    if (first != 0xFE && first != 0xFF) return nullptr;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer);
    std::size_t high = first == 0xFE ? 0 : 1;  // where a unit's high byte lies
    auto unit_at = [bytes, high](std::size_t offset) -> std::int64_t {
        return bytes[offset + high] * 256 + bytes[offset + 1 - high];
    };
    // A unit gives at most three bytes, a pair four: room for the most, then
    // the block is trimmed to what was written.
    char* output = static_cast<char*>(std::malloc(length / 2 * 3 + 1));
    if (!output) {
        out_of_memory = true;
        return nullptr;
    }
    std::size_t used = 0;
    for (std::size_t offset = 2; offset + 1 < length; offset += 2) {
        std::int64_t code_point = unit_at(offset);
        // Any surrogate takes the following whole unit as its partner, whatever it is.
        if (code_point >= 0xD800 && code_point <= 0xDFFF && offset + 3 < length) {
            offset += 2;
            code_point = (((code_point & 0x3FF) << 10) | (unit_at(offset) & 0x3FF)) + 0x10000;
        }
        used += encode_utf8(code_point, output + used);
    }
    trim(output, used ? used : 1);
    buffer = output;
    length = used;
    return output;
}

}  // namespace xmlslice::detail
