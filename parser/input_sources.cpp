// The four ways into a parse: a writable buffer, and a descriptor, a path or
// a stdio stream, which become one writable buffer that the parser works on
// in place and the document later releases.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "parser/parser.hpp"
#include "support/growth.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// max(8 MiB, factor x length): what entity work a document of that length may cost.
std::size_t bound(std::size_t length, std::size_t factor) {
    std::size_t scaled = length > ~std::size_t(0) / factor ? ~std::size_t(0) : length * factor;
    return scaled > (std::size_t(8) << 20) ? scaled : std::size_t(8) << 20;
}

// UTF-16 and single-byte input is converted first; the final byte is saved
// and replaced by the NUL that ends the text.
void parse(XmlDocument* document, char* buffer, std::size_t length) {
    Parser parser(document);
    if (length && !convert_input(parser, buffer, length)) return;
    if (!length) return (void)record_error(parser, nullptr, "root tag missing");
    document->text_start = buffer;
    document->text_end = buffer + length;
    parser.final_byte_was_gt = buffer[length - 1] == '>';
    buffer[length - 1] = '\0';
    parser.decoding.expansion_limit = bound(length, 100);
    parser.decoding.search_limit = bound(length, 10);
    if (parser.entities.index_existing())
        scan_document(parser, buffer);
    else
        record_error(parser, nullptr, "out of memory");
    parser.tree.finish();
    parser.entities.trim();
    parser.declarations.trim();
    parser.instructions.trim();
}

constexpr std::size_t chunk = 1024;

// The document takes the buffer over once the parse is done.
XmlElement* parse_and_hand_over(char* buffer, std::size_t length, std::size_t mapped_length) {
    XmlElement* root = document_parse_buffer(buffer, length);
    if (!root) {
        release_source(buffer, mapped_length);
        return nullptr;
    }
    reinterpret_cast<XmlDocument*>(root)->mapped_length = mapped_length;
    return root;
}

// Fills one chunk; a short count means the input ended, a negative one that reading failed.
using ChunkReader = std::ptrdiff_t (*)(void* input, char* into);

std::ptrdiff_t read_stream_chunk(void* stream, char* into) {
    return static_cast<std::ptrdiff_t>(std::fread(into, 1, chunk, static_cast<std::FILE*>(stream)));
}

// Pipes and sockets deliver short reads long before their end, so only 0 ends them.
std::ptrdiff_t read_descriptor_chunk(void* descriptor, char* into) {
    int fd = *static_cast<int*>(descriptor);
    std::size_t filled = 0;
    while (filled < chunk) {
        ssize_t count = read(fd, into + filled, chunk - filled);
        if (count == 0) break;
        if (count < 0 && errno != EINTR) return -1;
        if (count > 0) filled += static_cast<std::size_t>(count);
    }
    return static_cast<std::ptrdiff_t>(filled);
}

// Reads to the end of the input in chunks, into a heap buffer that grows
// geometrically so that a long input is not copied once per chunk.
[[gnu::cold]] XmlElement* parse_to_end(ChunkReader read_chunk, void* input) {
    std::size_t capacity = chunk;
    auto* buffer = static_cast<char*>(std::malloc(capacity));
    if (!buffer) return nullptr;
    std::size_t length = 0;
    for (;;) {
        std::ptrdiff_t count = read_chunk(input, buffer + length);
        if (count < 0) break;
        length += static_cast<std::size_t>(count);
        if (static_cast<std::size_t>(count) != chunk)
            return parse_and_hand_over(buffer, length, HEAP_BUFFER);
        if (!grow(buffer, capacity, length + chunk)) break;
    }
    std::free(buffer);
    return nullptr;
}

// One read only: a short read parses what arrived.
XmlElement* parse_single_read(int fd, std::size_t size) {
    auto* buffer = static_cast<char*>(std::malloc(size ? size : 1));  // malloc(0) may be null
    if (!buffer) return nullptr;
    ssize_t count = read(fd, buffer, size);
    if (count >= 0)
        return parse_and_hand_over(buffer, static_cast<std::size_t>(count), HEAP_BUFFER);
    std::free(buffer);
    return nullptr;
}

// The file is read into pages of the process's own rather than mapped: a
// page of a private file mapping that the parser never wrote reads through
// to the file, and truncating the file discards even the pages it wrote, so
// a host that rewrote the file it parsed would change or lose the
// document's text. The buffer is still released as a mapping.
XmlElement* parse_regular_file(int fd, std::size_t size) {
    auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::size_t mapping_length = (size + page - 1) & ~(page - 1);
    void* mapping = mmap(nullptr, mapping_length, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (mapping == MAP_FAILED) return parse_single_read(fd, size);
    auto* buffer = static_cast<char*>(mapping);
    std::size_t filled = 0;  // from the file's start, the descriptor's offset untouched
    while (filled < size) {
        ssize_t count = pread(fd, buffer + filled, size - filled, static_cast<off_t>(filled));
        if (count == 0) break;
        if (count < 0 && errno != EINTR) {
            release_source(buffer, mapping_length);
            return nullptr;
        }
        if (count > 0) filled += static_cast<std::size_t>(count);
    }
    return parse_and_hand_over(buffer, filled, mapping_length);
}

}  // namespace

XmlElement* document_parse_buffer(char* buffer, std::size_t length) {
    XmlElement* root = document_new(nullptr);
    if (!root) return nullptr;
    auto* document = reinterpret_cast<XmlDocument*>(root);
    document->source = buffer;
    parse(document, buffer, length);
    return root;
}

[[gnu::cold]] XmlElement* document_parse_descriptor(int fd) {
    if (fd < 0) return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0) return nullptr;
    // Pipes, sockets and terminals report no size; their data is read to the end.
    if (!S_ISREG(status.st_mode)) return parse_to_end(read_descriptor_chunk, &fd);
    return parse_regular_file(fd, static_cast<std::size_t>(status.st_size));
}

XmlElement* document_parse_path(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);  // not inherited across a fork
    XmlElement* root = document_parse_descriptor(fd);
    if (fd >= 0) close(fd);  // a mapping outlives its descriptor
    return root;
}

XmlElement* document_parse_stream(std::FILE* stream) {
    return parse_to_end(read_stream_chunk, stream);
}

}  // namespace xmlslice
