#include "peer.hpp"

#ifdef HAVE_PUGIXML
#include <pugixml.hpp>

namespace bench {

namespace {

class StringWriter : public pugi::xml_writer {
  public:
    explicit StringWriter(std::string& out) : out(out) {}
    void write(const void* data, std::size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }

  private:
    std::string& out;
};

// pugixml drops text made only of white space unless asked to keep it;
// xmlslice always keeps it, so the "+ws" variant does the same work.
class PugixmlPeer : public StringOutputPeer {
  public:
    PugixmlPeer(const char* name, unsigned options) : name_(name), options(options) {}
    const char* name() const override { return name_; }
    bool parse(char* text, std::size_t length) override {
        document = std::make_unique<pugi::xml_document>();
        return document->load_buffer_inplace(text, length, options);
    }
    bool load(const char* path) override {
        document = std::make_unique<pugi::xml_document>();
        return document->load_file(path, options);
    }
    void write() override {
        StringWriter writer(output);
        document->save(writer, "", pugi::format_raw);
    }
    void release() override { document.reset(); }
    bool append_children(std::size_t count) override {
        document = std::make_unique<pugi::xml_document>();
        pugi::xml_node root = document->append_child("r");
        for (std::size_t i = 0; i < count; ++i) root.append_child("item");
        return true;
    }
    void detach_children_last_first() override {
        pugi::xml_node root = document->first_child();
        while (pugi::xml_node last = root.last_child()) root.remove_child(last);
    }
    bool survives_deep_nesting() const override { return true; }

  private:
    const char* name_;
    unsigned options;
    std::unique_ptr<pugi::xml_document> document;
};

}  // namespace

std::unique_ptr<Peer> make_pugixml_peer() {
    return std::make_unique<PugixmlPeer>("pugixml", pugi::parse_default);
}

std::unique_ptr<Peer> make_pugixml_ws_peer() {
    return std::make_unique<PugixmlPeer>("pugixml+ws", pugi::parse_default | pugi::parse_ws_pcdata);
}

}  // namespace bench

#else
std::unique_ptr<bench::Peer> bench::make_pugixml_peer() {
    return nullptr;
}
std::unique_ptr<bench::Peer> bench::make_pugixml_ws_peer() {
    return nullptr;
}
#endif
