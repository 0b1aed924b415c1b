#include "peer.hpp"

#ifdef HAVE_RAPIDXML
#include <iterator>
#include <stdexcept>

#include <rapidxml.hpp>
#include <rapidxml_print.hpp>
#include <rapidxml_utils.hpp>

namespace bench {

namespace {

class RapidxmlPeer : public StringOutputPeer {
  public:
    const char* name() const override { return "rapidxml"; }
    bool parse(char* text, std::size_t) override {
        document = std::make_unique<rapidxml::xml_document<>>();
        try {
            document->parse<0>(text);
        } catch (const rapidxml::parse_error&) {
            return false;
        }
        return true;
    }
    bool load(const char* path) override {
        try {
            file = std::make_unique<rapidxml::file<>>(path);
        } catch (const std::exception&) {
            return false;
        }
        return parse(file->data(), file->size());
    }
    void write() override {
        rapidxml::print(std::back_inserter(output), *document, rapidxml::print_no_indenting);
    }
    void release() override {
        document.reset();
        file.reset();
    }

  private:
    std::unique_ptr<rapidxml::xml_document<>> document;
    std::unique_ptr<rapidxml::file<>> file;
};

}  // namespace

std::unique_ptr<Peer> make_rapidxml_peer() {
    return std::make_unique<RapidxmlPeer>();
}

}  // namespace bench

#else
std::unique_ptr<bench::Peer> bench::make_rapidxml_peer() {
    return nullptr;
}
#endif
