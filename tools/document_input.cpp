#include "document_input.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace xmlslice::tool {

namespace {

constexpr std::size_t READ_CHUNK = 1 << 16;

bool read_all(std::FILE* in, std::vector<char>& bytes) {
    for (;;) {
        std::size_t used = bytes.size();
        bytes.resize(used + READ_CHUNK);
        std::size_t got = std::fread(bytes.data() + used, 1, READ_CHUNK, in);
        bytes.resize(used + got);
        if (got < READ_CHUNK) return !std::ferror(in);
    }
}

}  // namespace

bool load_document(const std::string& file, LoadedDocument& document, std::string& failure) {
    bool from_stdin = file == "-";
    document.label = from_stdin ? "<stdin>" : file;
    std::FILE* in = from_stdin ? stdin : std::fopen(file.c_str(), "rb");
    if (!in) {
        failure = document.label + ": " + std::strerror(errno);
        return false;
    }
    bool read = read_all(in, document.bytes);
    int read_errno = errno;
    if (!from_stdin) std::fclose(in);
    if (!read) {
        failure = document.label + ": " + std::strerror(read_errno);
        return false;
    }
    document.input_size = document.bytes.size();
    // A spare byte keeps the buffer non-null for empty input; the parser
    // is not given it.
    document.bytes.push_back('\0');

    auto start = std::chrono::steady_clock::now();
    document.root = parse_buffer(document.bytes.data(), document.input_size);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    document.parse_seconds = took.count();
    return true;
}

}  // namespace xmlslice::tool
