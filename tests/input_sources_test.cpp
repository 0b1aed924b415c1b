#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "xmlslice.hpp"

using namespace xmlslice;

namespace {

constexpr std::size_t heap_buffer = ~std::size_t(0);

XmlDocument* document(XmlElement* root) {
    return reinterpret_cast<XmlDocument*>(root);
}

// Entry points must parse exactly the bytes a buffer parse of a copy sees.
void expect_parsed_as_buffer(XmlElement* root, const std::string& bytes) {
    ASSERT_NE(root, nullptr);
    EXPECT_NE(document(root)->source, nullptr);
    char* copy = static_cast<char*>(std::malloc(bytes.size() + 1));
    std::memcpy(copy, bytes.data(), bytes.size());
    XmlElement* expected = document_parse_buffer(copy, bytes.size());
    EXPECT_STREQ(document_error_text(root), document_error_text(expected));
    EXPECT_STREQ(root->name ? root->name : "(null)", expected->name ? expected->name : "(null)");
    element_free(expected);
    std::free(copy);
}

std::string file_contents(const std::string& path) {
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

std::string document_of_size(std::size_t size) {
    return "<r>" + std::string(size - 7, 'x') + "</r>";
}

class InputSources : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/xmlslice_sources_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
    }
    void TearDown() override {
        for (int k = 0; k < files_; ++k) unlink(path(k).c_str());
        rmdir(directory_.c_str());
    }
    std::string path(int k) const { return directory_ + "/f" + std::to_string(k) + ".xml"; }
    std::string write_file(const std::string& bytes) {
        std::string name = path(files_++);
        std::ofstream(name, std::ios::binary) << bytes;
        return name;
    }
    std::string directory_;
    int files_ = 0;
};

TEST_F(InputSources, EmptyInputFromEverySourceIsAnOwnedHeapBuffer) {
    std::string name = write_file("");
    int fd = open(name.c_str(), O_RDONLY);
    std::FILE* stream = std::fopen(name.c_str(), "rb");
    for (XmlElement* root : {document_parse_descriptor(fd), document_parse_path(name.c_str()),
                             document_parse_stream(stream)}) {
        expect_parsed_as_buffer(root, "");
        EXPECT_EQ(document(root)->mapped_length, heap_buffer);
        element_free(root);
    }
    close(fd);
    std::fclose(stream);
}

TEST_F(InputSources, MappingCoversWholePagesAndLeavesTheFileAlone) {
    auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::size_t size : {std::size_t(8), page, page + 1}) {
        std::string bytes = document_of_size(size), name = write_file(bytes);
        XmlElement* root = document_parse_path(name.c_str());
        expect_parsed_as_buffer(root, bytes);
        EXPECT_EQ(document(root)->mapped_length, (size + page - 1) / page * page) << size;
        element_free(root);
        EXPECT_EQ(file_contents(name), bytes);  // the parser's writes stay private
    }
}

// The start address of the mapping of a file, or 0 when it is not mapped.
unsigned long mapping_of(const std::string& path) {
    std::istringstream maps(file_contents("/proc/self/maps"));
    for (std::string line; std::getline(maps, line);)
        if (line.find(path) != std::string::npos) return std::stoul(line, nullptr, 16);
    return 0;
}

TEST_F(InputSources, SourceIsTheMappingAndFreeingUnmapsIt) {
    std::string name = write_file("<r/>");
    XmlElement* root = document_parse_path(name.c_str());
    EXPECT_EQ(mapping_of(name), reinterpret_cast<unsigned long>(document(root)->source));
    element_free(root);
    EXPECT_EQ(mapping_of(name), 0u);
}

TEST_F(InputSources, DescriptorOffsetIsIgnoredAndKept) {
    std::string bytes = "<r>text</r>", name = write_file(bytes);
    int fd = open(name.c_str(), O_RDONLY);
    lseek(fd, 5, SEEK_SET);
    XmlElement* root = document_parse_descriptor(fd);
    expect_parsed_as_buffer(root, bytes);
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 5);
    element_free(root);
    close(fd);
}

TEST_F(InputSources, StreamReadsFullChunksToTheEnd) {
    for (std::size_t size : {std::size_t(1024), std::size_t(3000)}) {
        std::string bytes = document_of_size(size), name = write_file(bytes);
        std::FILE* stream = std::fopen(name.c_str(), "rb");
        XmlElement* root = document_parse_stream(stream);
        expect_parsed_as_buffer(root, bytes);
        EXPECT_EQ(document(root)->mapped_length, heap_buffer);
        EXPECT_EQ(std::ftell(stream), static_cast<long>(size));
        element_free(root);
        std::fclose(stream);
    }
}

// A pipe reports no size and delivers short reads; everything must still arrive.
// The writer sends a short piece and waits until it is consumed, so the first
// read is short for certain, then sends far more than the pipe holds.
TEST_F(InputSources, PipeIsReadToItsEnd) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::string bytes = document_of_size(200000);
    std::thread writer([&] {
        EXPECT_EQ(write(ends[1], bytes.data(), 500), 500);
        int pending = 1;
        while (ioctl(ends[0], FIONREAD, &pending) == 0 && pending > 0) std::this_thread::yield();
        ssize_t rest = static_cast<ssize_t>(bytes.size()) - 500;
        EXPECT_EQ(write(ends[1], bytes.data() + 500, rest), rest);
        close(ends[1]);
    });
    XmlElement* root = document_parse_descriptor(ends[0]);
    std::size_t left_unread = 0;
    char probe[4096];
    for (ssize_t count; (count = read(ends[0], probe, sizeof probe)) > 0;) left_unread += count;
    writer.join();
    EXPECT_EQ(left_unread, 0u);
    expect_parsed_as_buffer(root, bytes);
    EXPECT_EQ(document(root)->mapped_length, heap_buffer);
    element_free(root);
    close(ends[0]);
}

TEST_F(InputSources, UnobtainableInputGivesNull) {
    EXPECT_EQ(document_parse_descriptor(-1), nullptr);
    EXPECT_EQ(document_parse_path((directory_ + "/missing.xml").c_str()), nullptr);
    EXPECT_EQ(document_parse_path(directory_.c_str()), nullptr);  // read fails on a directory
    std::string name = write_file("<r/>");
    int write_only = open(name.c_str(), O_WRONLY);  // cannot be mapped nor read
    EXPECT_EQ(document_parse_descriptor(write_only), nullptr);
    close(write_only);
    EXPECT_EQ(document_parse_descriptor(write_only), nullptr);  // fstat fails
}

}  // namespace
