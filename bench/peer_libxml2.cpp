#include "peer.hpp"

#ifdef HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>

namespace bench {

namespace {

// Quiet, and without the limits on depth and text size that the large documents exceed.
constexpr int parse_options = XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE;

class Libxml2Peer : public Peer {
  public:
    Libxml2Peer() { xmlInitParser(); }
    ~Libxml2Peer() override {
        discard_output();
        release();
        xmlCleanupParser();
    }
    const char* name() const override { return "libxml2"; }
    bool parse(char* text, std::size_t length) override {
        document = xmlReadMemory(text, static_cast<int>(length), nullptr, nullptr, parse_options);
        return document;
    }
    bool load(const char* path) override {
        document = xmlReadFile(path, nullptr, parse_options);
        return document;
    }
    void write() override { xmlDocDumpMemory(document, &text, &size); }
    std::size_t output_size() const override { return static_cast<std::size_t>(size); }
    void discard_output() override {
        xmlFree(text);
        text = nullptr;
    }
    void release() override {
        xmlFreeDoc(document);
        document = nullptr;
    }

  private:
    int size = 0;
    xmlDocPtr document = nullptr;
    xmlChar* text = nullptr;
};

}  // namespace

std::unique_ptr<Peer> make_libxml2_peer() {
    return std::make_unique<Libxml2Peer>();
}

}  // namespace bench

#else
std::unique_ptr<bench::Peer> bench::make_libxml2_peer() {
    return nullptr;
}
#endif
