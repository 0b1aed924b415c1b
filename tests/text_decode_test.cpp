#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "parse_support.hpp"
#include "parser/text_decode.hpp"

using namespace xmlslice::detail;
using xmlslice::test_support::HostEntities;
using xmlslice::test_support::predefined_entities;
using xmlslice::test_support::sized_exactly;
using xmlslice::test_support::utf16;

namespace {

using EntityPairs = std::vector<std::pair<const char*, const char*>>;

struct Decode {
    std::string text;
    bool moved = false;          // the result is a new heap string
    bool sized_exactly = false;  // ... holding exactly the result
    DecodeStatus status = DecodeStatus::ok;
};

// The modes by their letters: '&' content, 'c' CDATA, ' ' CDATA attribute,
// '*' other declared attribute, '%' entity value.
DecodeMode mode_of(char letter) {
    switch (letter) {
        case 'c':
            return DecodeMode::cdata;
        case ' ':
            return DecodeMode::attribute;
        case '*':
            return DecodeMode::token;
        case '%':
            return DecodeMode::entity_value;
        default:
            return DecodeMode::content;
    }
}

// Decodes a copy sized exactly to the text, so reads past it are caught.
Decode decode(const std::string& input, char mode, const HostEntities& entities,
              DecodeContext* shared = nullptr) {
    DecodeContext own;
    own.expansion_limit = SIZE_MAX;
    DecodeContext& context = shared ? *shared : own;
    char* text = static_cast<char*>(std::malloc(input.size() + 1));
    std::memcpy(text, input.c_str(), input.size() + 1);
    Decoded decoded = decode_text(context, text, input.size(), entities.set, mode_of(mode));
    Decode result;
    result.status = decoded.status;
    if (decoded.status == DecodeStatus::ok) {
        result.text = decoded.text;
        EXPECT_EQ(decoded.length, result.text.size());
        result.moved = decoded.text != text;
        if (result.moved) {
            result.sized_exactly = sized_exactly(decoded.text, decoded.length + 1);
            std::free(decoded.text);
        }
    }
    std::free(text);
    return result;
}

// A byte string literal with its NUL bytes, without the terminator.
template <std::size_t N>
std::string bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

TEST(EncodeUtf8, WorkedValues) {
    const std::pair<std::int64_t, std::string> cases[] = {
        {0x41, "A"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0x20AC, "\xE2\x82\xAC"},
        {0xD800, "\xED\xA0\x80"},
        {0x1F600, "\xF0\x9F\x98\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
        {std::int64_t(1) << 21, "\xF8\x88\x80\x80\x80"},
        {(std::int64_t(1) << 31) - 1, "\xFD\xBF\xBF\xBF\xBF\xBF"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x10000, "\xF0\x90\x80\x80"},
        {std::int64_t(1) << 26, "\xFC\x84\x80\x80\x80\x80"},
        {-1, "\xFF"},
        {-191, "A"},
        {0, bytes("\x00")},
    };
    for (const auto& [value, bytes] : cases) {
        SCOPED_TRACE(value);
        char out[8] = {};
        std::size_t written = encode_utf8(value, out);
        EXPECT_EQ(std::string(out, written), bytes);
    }
}

TEST(Utf16ToUtf8, Conversions) {
    const std::pair<std::string, std::string> cases[] = {
        {bytes("\xFF\xFE\x41\x00"), "A"},
        {bytes("\xFE\xFF\x00\x41"), "A"},
        {bytes("\xFF\x00\x41\x00"), "A"},  // the mark's second byte is not examined
        {bytes("\xFF\xFE\x3D\xD8\x00\xDE"), "\xF0\x9F\x98\x80"},
        {bytes("\xFE\xFF\xD8\x3D\xDE\x00"), "\xF0\x9F\x98\x80"},
        {bytes("\xFF\xFE\x00\xD8"), "\xED\xA0\x80"},
        {bytes("\xFF\xFE\x00\xD8\x41\x00"), "\xF0\x90\x81\x81"},
        {bytes("\xFF\xFE\x00\xDC\x00\xD8"), "\xF0\x90\x80\x80"},
        {bytes("\xFF\xFE\x41\x00\x42"), "A"},
        {bytes("\xFE\xFF\x00\xE9\x20\xAC"), "\xC3\xA9\xE2\x82\xAC"},
        {bytes("\xFF\xFE\x00\x00"), bytes("\x00")},
        {"\xFF\xFE\x41", ""},
        {"\xFE", ""},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        char* original = static_cast<char*>(std::malloc(input.size()));
        std::memcpy(original, input.data(), input.size());
        char* buffer = original;
        std::size_t length = input.size();
        bool out_of_memory = false;
        char* converted = utf16_to_utf8(buffer, length, out_of_memory);
        EXPECT_FALSE(out_of_memory);
        EXPECT_EQ(length, expected.size());
        if (!expected.empty()) {
            ASSERT_NE(converted, nullptr);
            EXPECT_EQ(buffer, converted);
            EXPECT_EQ(std::string(converted, length), expected);
        }
        EXPECT_EQ(std::string(original, input.size()), input);
        std::free(converted);
        std::free(original);
    }
}

TEST(Utf16ToUtf8, LeavesOtherInputAlone) {
    for (std::string input : {"\xEF\xBB\xBF<a/>", "<a/>"}) {
        char* buffer = input.data();
        std::size_t length = input.size();
        bool out_of_memory = false;
        EXPECT_EQ(utf16_to_utf8(buffer, length, out_of_memory), nullptr);
        EXPECT_EQ(buffer, input.data());
        EXPECT_EQ(length, input.size());
    }
}

TEST(Utf16ToUtf8, OutputOutgrowsTheInput) {
    std::string input = utf16(std::u16string(3000, u'\u20AC'), false);
    char* buffer = input.data();
    std::size_t length = input.size();
    bool out_of_memory = false;
    char* converted = utf16_to_utf8(buffer, length, out_of_memory);
    ASSERT_NE(converted, nullptr);
    std::string expected;
    for (int i = 0; i < 3000; ++i) expected += "\xE2\x82\xAC";
    EXPECT_EQ(std::string(converted, length), expected);
    EXPECT_TRUE(sized_exactly(converted, 9000));
    std::free(converted);
}

TEST(DecodeText, LineEnds) {
    HostEntities entities(predefined_entities);
    for (char mode : {'&', 'c', '%'}) {
        EXPECT_EQ(decode("a\r\nb\rc", mode, entities).text, "a\nb\nc");
        EXPECT_EQ(decode("\r\r\n", mode, entities).text, "\n\n");
    }
    for (char mode : {' ', '*'}) EXPECT_EQ(decode("a\r\nb\rc", mode, entities).text, "a b c");
    EXPECT_EQ(decode("a&#13;b\r", '&', entities).text, "a\rb\n");

    // A final lone CR: nothing after the terminator is read or changed.
    char text[] = "ab\r\0\nZ";
    DecodeContext context;
    context.expansion_limit = SIZE_MAX;
    Decoded decoded = decode_text(context, text, 3, entities.set, DecodeMode::content);
    EXPECT_EQ(decoded.text, text);
    EXPECT_STREQ(text, "ab\n");
    EXPECT_EQ(std::string(text + 4, 2), "\nZ");
}

TEST(DecodeText, CharacterReferences) {
    HostEntities entities(predefined_entities);
    const std::pair<std::string, std::string> cases[] = {
        {"&#65;&#x42;", "AB"},
        {"&#233;", "\xC3\xA9"},
        {"&#x1F600;", "\xF0\x9F\x98\x80"},
        {"&#38;lt;", "&lt;"},
        {"&#38;#65;", "&#65;"},
        {"&# 65;&#\n66;&#+67;", "ABC"},
        {"&#x0x41;&#x+42;", "AB"},
        {"&#xD7FF;&#xE000;&#x10FFFF;", "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF"},
        // Left as written: no Unicode scalar value.
        {"&#-191;&#-1;&#-2147483647;", "&#-191;&#-1;&#-2147483647;"},
        {"ab&#-256;cd", "ab&#-256;cd"},
        {"&#xD800;&#xDFFF;&#55296;", "&#xD800;&#xDFFF;&#55296;"},
        {"&#x110000;&#1114112;", "&#x110000;&#1114112;"},
        {"&#2147483647;&#x7fffffff;", "&#2147483647;&#x7fffffff;"},
        {"&#X41;", "&#X41;"},
        {"&#0;&#00;&#x0;", "&#0;&#00;&#x0;"},
        {"&#;&#x;&#", "&#;&#x;&#"},
        {"&#65", "&#65"},
        {"&#65 ;", "&#65 ;"},
        {"&#6a;&#x4g;", "&#6a;&#x4g;"},
        {"&#0x41;", "&#0x41;"},
        {"&#2147483648;&#x80000000;", "&#2147483648;&#x80000000;"},
        {"&#-2147483648;&#-x1;", "&#-2147483648;&#-x1;"},
        {"&#99999999999999999999;&#-99999999999999999999;",
         "&#99999999999999999999;&#-99999999999999999999;"},
        {"&#xFFFFFFFFFFFFFFFFFFFF;", "&#xFFFFFFFFFFFFFFFFFFFF;"},
    };
    for (const auto& [input, expected] : cases) {
        SCOPED_TRACE(input);
        Decode result = decode(input, '&', entities);
        EXPECT_EQ(result.text, expected);
        EXPECT_FALSE(result.moved);
    }
}

TEST(DecodeText, PredefinedEntities) {
    HostEntities entities(predefined_entities);
    EXPECT_EQ(decode("&amp;lt;", '&', entities).text, "&lt;");
    EXPECT_EQ(decode("&lt;&gt;", '&', entities).text, "<>");
    EXPECT_EQ(decode("&quot;&apos;&amp;&#38;", ' ', entities).text, "\"'&&");
    EXPECT_EQ(decode("&&lt;&#&lt;", '&', entities).text, "&<&#<");
    for (const char* kept : {"&lt", "&LT;", "& lt;", "&;", "&"})
        EXPECT_EQ(decode(kept, '&', entities).text, kept);
    for (char mode : {'&', 'c', ' ', '*', '%'})
        EXPECT_EQ(decode("&nosuch;", mode, entities).text, "&nosuch;");
    EXPECT_EQ(decode("&amp;lt;&#65;&lt;", 'c', entities).text, "&amp;lt;&#65;&lt;");
    EXPECT_EQ(decode("&lt;&#60;", '%', entities).text, "&lt;<");
}

TEST(DecodeText, DeclaredEntities) {
    std::vector<std::pair<const char*, const char*>> pairs = predefined_entities;
    pairs.insert(pairs.end(), {{"e1;", "x&e2;y"},
                               {"e2;", "Z"},
                               {"empty;", ""},
                               {"long;", "a much longer value"},
                               {"same;", "123456"},
                               {"d;", "first"},
                               {"d;", "second"},
                               {"ab;", "AB"},
                               {"x;y;", "V"},
                               {"#x;", "hash"},
                               {"cut;", "xxxxx&l"}});
    HostEntities entities(pairs);
    EXPECT_EQ(decode("&e1;", '&', entities).text, "xZy");
    Decode gone = decode("a&empty;b", '&', entities);
    EXPECT_EQ(gone.text, "ab");
    EXPECT_FALSE(gone.moved);
    Decode grown = decode("<&long;|&long;>", '&', entities);
    EXPECT_EQ(grown.text, "<a much longer value|a much longer value>");
    EXPECT_TRUE(grown.moved);
    EXPECT_TRUE(grown.sized_exactly);
    Decode same = decode("&same;", '&', entities);
    EXPECT_EQ(same.text, "123456");
    EXPECT_FALSE(same.moved);
    EXPECT_EQ(decode("&d;", '&', entities).text, "first");
    EXPECT_EQ(decode("&abc;&ab;", '&', entities).text, "&abc;AB");
    EXPECT_EQ(decode("&x;y;", '&', entities).text, "Vy;");
    EXPECT_EQ(decode("&#x;", '&', entities).text, "&#x;");  // no lookup after a failed "&#"
    EXPECT_EQ(decode("&cut;t;", '&', entities).text, "xxxxx<");
}

TEST(DecodeText, DeepChainOfEntities) {
    const int depth = 100000;
    std::vector<std::string> names, values;
    for (int i = 0; i < depth; ++i) {
        names.push_back("e" + std::to_string(i) + ";");
        values.push_back(i ? "&e" + std::to_string(i - 1) + ";" : "x");
    }
    EntityPairs pairs;
    for (int i = 0; i < depth; ++i) pairs.emplace_back(names[i].c_str(), values[i].c_str());
    HostEntities entities(pairs);
    EXPECT_EQ(decode("[&" + names.back() + "]", '&', entities).text, "[x]");
}

TEST(DecodeText, Modes) {
    std::vector<std::pair<const char*, const char*>> pairs = predefined_entities;
    pairs.insert(pairs.end(), {{"ws;", "x\ty\nz"}, {"pad;", "  x  y  "}, {"p;", "pv"}});
    HostEntities general(pairs);
    EXPECT_EQ(decode("a\tb\n c\v\f", ' ', general).text, "a b  c  ");
    EXPECT_EQ(decode("a&#10;b&#9;", ' ', general).text, "a\nb\t");
    EXPECT_EQ(decode("&ws;", ' ', general).text, "x y z");

    EXPECT_EQ(decode("  a \t b  ", '*', general).text, "a b");
    EXPECT_EQ(decode("   ", '*', general).text, "");
    EXPECT_EQ(decode("a&#9;b", '*', general).text, "a\tb");
    EXPECT_EQ(decode("&#32;&#32;a&#32;&#32;b&#32;", '*', general).text, "a b");
    EXPECT_EQ(decode(" a&#10; b", '*', general).text, "a\n b");
    EXPECT_EQ(decode("&pad;", '*', general).text, "x y");

    EXPECT_EQ(decode("%p;&p;\t", '&', general).text, "%p;pv\t");
    EXPECT_EQ(decode("&#65;&lt;&p;%p;\t\v", 'c', general).text, "&#65;&lt;&p;%p;\t\v");

    HostEntities parameters({{"p;", "pv"}, {"q;", "[%p;]"}});
    EXPECT_EQ(decode("&lt;&#60;%p;%q;", '%', parameters).text, "&lt;<pv[pv]");
    EXPECT_EQ(decode("%nope;100%&p;a\tb", '%', parameters).text, "%nope;100%&p;a\tb");
}

TEST(DecodeText, ExpansionIsCountedAcrossCalls) {
    HostEntities entities({{"e;", "123456789"}, {"n;", "&e;&e;"}, {"lt;", "&#60;"}});
    DecodeContext context;
    context.expansion_limit = 10;
    EXPECT_EQ(decode("&e;", '&', entities, &context).status, DecodeStatus::ok);
    EXPECT_EQ(decode("&e;", '&', entities, &context).status, DecodeStatus::too_large);

    // Nested substitutions count too: 6 + 9 + 9 bytes.
    for (std::size_t limit : {24, 23}) {
        DecodeContext nested;
        nested.expansion_limit = limit;
        EXPECT_EQ(decode("&n;", ' ', entities, &nested).status,
                  limit == 24 ? DecodeStatus::ok : DecodeStatus::too_large);
    }
    DecodeContext predefined;
    predefined.expansion_limit = 4;
    EXPECT_EQ(decode("&lt;", '&', entities, &predefined).status, DecodeStatus::too_large);
}

}  // namespace
