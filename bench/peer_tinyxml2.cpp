#include "peer.hpp"

#ifdef HAVE_TINYXML2
#include <tinyxml2.h>

namespace bench {

namespace {

class Tinyxml2Peer : public Peer {
  public:
    const char* name() const override { return "tinyxml2"; }
    bool parse(char* text, std::size_t length) override {
        document = std::make_unique<tinyxml2::XMLDocument>();
        return document->Parse(text, length) == tinyxml2::XML_SUCCESS;
    }
    bool load(const char* path) override {
        document = std::make_unique<tinyxml2::XMLDocument>();
        return document->LoadFile(path) == tinyxml2::XML_SUCCESS;
    }
    void write() override {
        printer = std::make_unique<tinyxml2::XMLPrinter>(nullptr, true);
        document->Print(printer.get());
    }
    std::size_t output_size() const override { return printer ? printer->CStrSize() - 1 : 0; }
    void discard_output() override { printer.reset(); }
    void release() override { document.reset(); }
    // Parse copies the text into a buffer of its own before parsing it in place.
    std::size_t input_copy_bytes(std::size_t length) const override { return length + 1; }

  private:
    std::unique_ptr<tinyxml2::XMLDocument> document;
    std::unique_ptr<tinyxml2::XMLPrinter> printer;
};

}  // namespace

std::unique_ptr<Peer> make_tinyxml2_peer() {
    return std::make_unique<Tinyxml2Peer>();
}

}  // namespace bench

#else
std::unique_ptr<bench::Peer> bench::make_tinyxml2_peer() {
    return nullptr;
}
#endif
