// The select engine beside the parse: each query's time next to the time
// the same document takes to parse, on a generated 50 MB dictionary and on
// a wide and a deep document at three sizes, so that growth shows as a
// rising time per element.
//
// xmlslice_select_bench [rounds]   (default 5; each figure is the median)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xmlslice_select.hpp"

namespace {

using namespace xmlslice;
using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A dictionary shaped like kanjidic2: one <character> per entry, each with
// a <literal> among a dozen other elements and some attributes.
std::string dictionary_document(std::size_t bytes) {
    std::string text =
        "<?xml version='1.0'?>\n<kanjidic2>\n<header><file_version>4</file_version>"
        "</header>\n";
    for (unsigned n = 0; text.size() < bytes; ++n) {
        std::string code = std::to_string(0x4e00 + n % 20000);
        text += "<character>\n<literal>&#" + code +
                ";</literal>\n<codepoint>\n"
                "<cp_value cp_type=\"ucs\">" +
                code +
                "</cp_value>\n"
                "<cp_value cp_type=\"jis208\">1-" +
                std::to_string(n % 94) +
                "</cp_value>\n"
                "</codepoint>\n<radical><rad_value rad_type=\"classical\">" +
                std::to_string(n % 214) + "</rad_value></radical>\n<misc><grade>" +
                std::to_string(n % 10) + "</grade><stroke_count>" + std::to_string(n % 30) +
                "</stroke_count><freq>" + std::to_string(n) +
                "</freq></misc>\n"
                "<reading_meaning><rmgroup><reading r_type=\"ja_on\">ON</reading>"
                "<reading r_type=\"ja_kun\">kun</reading><meaning>meaning " +
                std::to_string(n) +
                "</meaning><meaning m_lang=\"fr\">sens</meaning>"
                "</rmgroup></reading_meaning>\n</character>\n";
    }
    return text + "</kanjidic2>\n";
}

std::string wide_document(std::size_t elements) {
    std::string text = "<r>";
    for (std::size_t n = 0; n < elements; ++n)
        text += "<item id='i" + std::to_string(n) + "' kind='k'>text</item>";
    return text + "</r>";
}

std::string deep_document(std::size_t elements) {
    std::string text;
    for (std::size_t n = 0; n < elements; ++n) text += "<e id='i" + std::to_string(n) + "'>t";
    for (std::size_t n = 0; n < elements; ++n) text += "</e>";
    return text;
}

struct Parsed {
    std::vector<char> buffer;
    DocumentHandle root;
};

// Parses a fresh copy of text; returns the milliseconds the parse took.
double parse(const std::string& text, Parsed& parsed) {
    parsed.root.reset();
    parsed.buffer.assign(text.begin(), text.end());
    parsed.buffer.push_back('\0');
    Clock::time_point start = Clock::now();
    parsed.root = parse_buffer(parsed.buffer.data(), text.size());
    return milliseconds_since(start);
}

struct Row {
    const char* shape;
    std::string (*make)(std::size_t);
    std::size_t size;  // bytes for the dictionary, elements for the others
    std::vector<const char*> queries;
};

// One document: parse and each query alternate in every round.
void measure(const Row& row, int rounds) {
    std::string text = row.make(row.size);
    std::vector<Select> queries;
    for (const char* expression : row.queries) {
        SelectError error;
        queries.push_back(Select::compile(expression, &error));
        if (!queries.back()) std::fprintf(stderr, "%s: %s\n", expression, error.message.c_str());
    }
    std::vector<double> parse_times;
    std::vector<std::vector<double>> query_times(queries.size());
    std::vector<std::size_t> counts(queries.size());
    Parsed parsed;
    SelectResult result;
    for (int round = 0; round < rounds; ++round) {
        parse_times.push_back(parse(text, parsed));
        for (std::size_t q = 0; q < queries.size(); ++q) {
            Clock::time_point start = Clock::now();
            queries[q].run_from_document(parsed.root.get(), result);
            query_times[q].push_back(milliseconds_since(start));
            counts[q] = result.kind() == SelectKind::number
                            ? static_cast<std::size_t>(result.number())
                            : result.size();
        }
    }
    double parse_ms = median(parse_times);
    std::printf("%-10s %9.1f MB %9.1f ms parse\n", row.shape, text.size() / 1e6, parse_ms);
    for (std::size_t q = 0; q < queries.size(); ++q) {
        double query_ms = median(query_times[q]);
        std::printf("    %-28s %9.1f ms  %5.2f x parse  %8zu results\n", row.queries[q], query_ms,
                    query_ms / parse_ms, counts[q]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::vector<const char*> shape_queries = {"//*[@id='x']",     "count(//*[@id='i7'])",
                                                    "count(//*//*//*)", "count(//*[last()])",
                                                    "count(//*[1]/..)", "count(//*/text())"};
    std::vector<Row> rows = {
        {"dictionary",
         dictionary_document,
         50u << 20,
         {"//character/literal", "count(//misc[grade='1'])", "//*[@id='x']",
          "count(//character[last()])", "count(//meaning[@m_lang='fr'])"}},
    };
    for (std::size_t elements : {100000u, 400000u, 1600000u}) {
        rows.push_back({"wide", wide_document, elements, shape_queries});
        rows.push_back({"deep", deep_document, elements, shape_queries});
    }
    std::printf("medians of %d rounds; each round parses, then runs every query once\n", rounds);
    for (const Row& row : rows) measure(row, rounds);
    return 0;
}
