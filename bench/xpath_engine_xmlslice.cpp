#include <cstdio>

#include "xmlslice_select.hpp"
#include "xpath_engine.hpp"

namespace bench {
namespace {

using namespace xmlslice;

// Names compare as written here, as in pugixml, so the queries need no
// prefixes bound.
class XmlsliceEngine : public XPathEngine {
  public:
    const char* name() const override { return "xmlslice"; }
    bool parse(char* text, std::size_t length) override {
        root_.reset();
        root_ = parse_buffer(text, length);
        return root_ && !*document_error_text(root_.get());
    }
    bool add_query(const std::string& expression, const std::vector<PrefixBinding>&) override {
        SelectError error;
        queries_.push_back(Select::compile(expression, &error));
        if (!queries_.back())
            std::fprintf(stderr, "xmlslice refuses %s: %s\n", expression.c_str(),
                         error.message.c_str());
        return static_cast<bool>(queries_.back());
    }
    void run(std::size_t n, std::string& summary) override {
        queries_[n].run_from_document(root_.get(), result_);
        if (result_.failed())
            summary = "error " + std::string(result_.error());
        else if (result_.is_node_set())
            summary = std::to_string(result_.size()) + " nodes";
        else if (result_.kind() == SelectKind::number)
            summary = summarise_number(result_.number());
        else if (result_.kind() == SelectKind::boolean)
            summary = result_.boolean() ? "true" : "false";
        else
            summary = summarise_string(result_.string().data(), result_.string().size());
    }
    void clear() override {
        root_.reset();
        queries_.clear();
    }

  private:
    DocumentHandle root_;
    std::vector<Select> queries_;
    SelectResult result_;  // reused, as a host running many queries would
};

}  // namespace

std::unique_ptr<XPathEngine> make_xmlslice_engine() {
    return std::make_unique<XmlsliceEngine>();
}

}  // namespace bench
