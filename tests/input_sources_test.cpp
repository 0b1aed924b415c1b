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
#include <vector>

#include "parse_support.hpp"
#include "tree_checks.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;
using xmlslice::test_support::Parsed;

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

// Every element, parents first; pairs of trees walk in step.
std::vector<XmlElement*> elements_of(XmlElement* root) {
    std::vector<XmlElement*> all{root};
    for (std::size_t k = 0; k < all.size(); ++k)
        for (XmlElement* c = all[k]->first_child; c; c = c->next_in_order) all.push_back(c);
    return all;
}

// Once the parse has returned, the document keeps its text whatever happens
// to the file: pages the parser never wrote (inside the long runs of text
// here) must not read through to it, nor a truncation take any away. Runs
// of several lengths put the unwritten pages in different places; the file
// is emptied, or rewritten shorter, as long, or longer.
TEST_F(InputSources, RewritingTheParsedFileLeavesTheDocumentAlone) {
    auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::size_t run : {page - 30, page, 3 * page + 7}) {
        std::string bytes = "<r>";
        for (int k = 0; k < 5; ++k)
            bytes += "<e k='" + std::to_string(k) + "'>" + std::string(run + k, 't') + "<f/></e>";
        bytes += "</r>";
        for (std::size_t rewritten :
             {std::size_t(0), bytes.size() / 2, bytes.size(), 2 * bytes.size()}) {
            SCOPED_TRACE(std::to_string(run) + " " + std::to_string(rewritten));
            std::string name = write_file(bytes);
            XmlElement* root = document_parse_path(name.c_str());
            ASSERT_NE(root, nullptr);
            std::FILE* file = std::fopen(name.c_str(), "w");  // truncates, as a host's save does
            std::fputs(("<x/>" + std::string(rewritten, 'X')).substr(0, rewritten).c_str(), file);
            std::fclose(file);
            Parsed expected(bytes);
            std::vector<XmlElement*> found = elements_of(root), wanted = elements_of(expected.root);
            ASSERT_EQ(found.size(), wanted.size());
            for (std::size_t k = 0; k < found.size(); ++k) {
                EXPECT_EQ(test_support::written(found[k]), test_support::written(wanted[k]));
                EXPECT_STREQ(element_attribute_value(found[k], "k"),
                             element_attribute_value(wanted[k], "k"));
            }
            EXPECT_EQ(test_support::lookup_violation(root), "");
            element_free(root);
        }
    }
}

// Whether the address lies in a mapping of this process.
bool mapped(const void* address) {
    auto at = reinterpret_cast<unsigned long>(address);
    std::istringstream maps(file_contents("/proc/self/maps"));
    for (std::string line; std::getline(maps, line);) {
        std::size_t dash = line.find('-');
        if (std::stoul(line, nullptr, 16) <= at &&
            at < std::stoul(line.substr(dash + 1), nullptr, 16))
            return true;
    }
    return false;
}

// The source is memory of the process's own, whole pages that freeing unmaps.
TEST_F(InputSources, SourceIsAMappingThatFreeingUnmaps) {
    std::string name = write_file("<r/>");
    XmlElement* root = document_parse_path(name.c_str());
    const char* source = document(root)->source;
    EXPECT_TRUE(mapped(source));
    EXPECT_EQ(file_contents("/proc/self/maps").find(name), std::string::npos);
    element_free(root);
    EXPECT_FALSE(mapped(source));
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
