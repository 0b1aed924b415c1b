#include <cstdlib>
#include <cstring>

#include "peer.hpp"
#include "xmlslice.hpp"

namespace bench {

namespace {

class XmlslicePeer : public Peer {
  public:
    ~XmlslicePeer() override {
        discard_output();
        release();
    }
    const char* name() const override { return "xmlslice"; }
    bool parse(char* text, std::size_t length) override {
        return accept(xmlslice::document_parse_buffer(text, length));
    }
    bool load(const char* path) override { return accept(xmlslice::document_parse_path(path)); }
    void write() override { text = xmlslice::element_to_text(root); }
    // A host that needs the length measures it; the text itself carries none.
    std::size_t output_size() const override { return text ? std::strlen(text) : 0; }
    void discard_output() override {
        std::free(text);
        text = nullptr;
    }
    void release() override {
        xmlslice::element_free(root);
        root = nullptr;
    }
    bool survives_deep_nesting() const override { return true; }

  private:
    bool accept(xmlslice::XmlElement* parsed) {
        root = parsed;
        return root && !*xmlslice::document_error_text(root);
    }

    xmlslice::XmlElement* root = nullptr;
    char* text = nullptr;
};

}  // namespace

std::unique_ptr<Peer> make_xmlslice_peer() {
    return std::make_unique<XmlslicePeer>();
}

}  // namespace bench
