#include <cstdlib>
#include <cstring>
#include <vector>

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
    bool append_children(std::size_t count) override {
        root = xmlslice::document_new("r");
        children.clear();
        for (std::size_t i = 0; i < count; ++i)
            children.push_back(xmlslice::element_add_child(root, "item", 0));
        return root != nullptr;
    }
    // A host keeps the children it made; the records have no link back to the last one.
    void detach_children_last_first() override {
        while (!children.empty()) {
            xmlslice::element_free(xmlslice::element_detach(children.back()));
            children.pop_back();
        }
    }
    bool survives_deep_nesting() const override { return true; }

  private:
    std::vector<xmlslice::XmlElement*> children;
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
