#include "xpath_engine.hpp"

#ifdef HAVE_PUGIXML
#include <pugixml.hpp>

#include <cstdio>

namespace bench {
namespace {

// pugixml with its default parse options, as its users have it; names
// compare as written.
class PugixmlEngine : public XPathEngine {
  public:
    const char* name() const override { return "pugixml"; }
    bool parse(char* text, std::size_t length) override {
        document_.reset();
        return document_.load_buffer_inplace(text, length);
    }
    bool add_query(const std::string& expression, const std::vector<PrefixBinding>&) override {
        try {
            queries_.push_back(std::make_unique<pugi::xpath_query>(expression.c_str()));
            return true;
        } catch (const pugi::xpath_exception& error) {
            std::fprintf(stderr, "pugixml refuses %s: %s\n", expression.c_str(), error.what());
            queries_.push_back(nullptr);
            return false;
        }
    }
    void run(std::size_t n, std::string& summary) override {
        const pugi::xpath_query& query = *queries_[n];
        switch (query.return_type()) {
            case pugi::xpath_type_node_set:
                summary = std::to_string(query.evaluate_node_set(document_).size()) + " nodes";
                break;
            case pugi::xpath_type_number:
                summary = summarise_number(query.evaluate_number(document_));
                break;
            case pugi::xpath_type_boolean:
                summary = query.evaluate_boolean(document_) ? "true" : "false";
                break;
            default: {
                std::string value = query.evaluate_string(document_);
                summary = summarise_string(value.data(), value.size());
            }
        }
    }
    void clear() override {
        document_.reset();
        queries_.clear();
    }

  private:
    pugi::xml_document document_;
    std::vector<std::unique_ptr<pugi::xpath_query>> queries_;
};

}  // namespace

std::unique_ptr<XPathEngine> make_pugixml_engine() {
    return std::make_unique<PugixmlEngine>();
}

}  // namespace bench

#else
std::unique_ptr<bench::XPathEngine> bench::make_pugixml_engine() {
    return nullptr;
}
#endif
