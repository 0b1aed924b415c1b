#include "xpath_engine.hpp"

#ifdef HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cstdio>

namespace bench {
namespace {

// Entities expanded and declared defaults added, as this library reads a
// document, so that the answers compare. libxml2 stops at 256 levels of
// nesting (2048 with XML_PARSE_HUGE, which is left off as xmllint's users
// have it), so it refuses the deep shapes.
constexpr int parse_options =
    XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

void ignore_message(void*, const char*, ...) {}

class Libxml2Engine : public XPathEngine {
  public:
    Libxml2Engine() {
        xmlInitParser();
        xmlSetGenericErrorFunc(nullptr, ignore_message);
    }
    ~Libxml2Engine() override { clear(); }
    const char* name() const override { return "libxml2"; }
    bool parse(char* text, std::size_t length) override {
        release_document();
        document_ = xmlReadMemory(text, static_cast<int>(length), nullptr, nullptr, parse_options);
        if (!document_) return false;
        context_ = xmlXPathNewContext(document_);
        for (const PrefixBinding& binding : prefixes_)
            xmlXPathRegisterNs(context_, reinterpret_cast<const xmlChar*>(binding.prefix),
                               reinterpret_cast<const xmlChar*>(binding.uri));
        return true;
    }
    bool add_query(const std::string& expression,
                   const std::vector<PrefixBinding>& prefixes) override {
        prefixes_ = prefixes;
        xmlXPathCompExprPtr compiled =
            xmlXPathCompile(reinterpret_cast<const xmlChar*>(expression.c_str()));
        if (!compiled) std::fprintf(stderr, "libxml2 refuses %s\n", expression.c_str());
        queries_.push_back(compiled);
        return compiled;
    }
    void run(std::size_t n, std::string& summary) override {
        context_->node = reinterpret_cast<xmlNodePtr>(document_);
        xmlXPathObjectPtr value = xmlXPathCompiledEval(queries_[n], context_);
        if (!value)
            summary = "error";
        else if (value->type == XPATH_NODESET)
            summary = std::to_string(value->nodesetval ? value->nodesetval->nodeNr : 0) + " nodes";
        else if (value->type == XPATH_NUMBER)
            summary = summarise_number(value->floatval);
        else if (value->type == XPATH_BOOLEAN)
            summary = value->boolval ? "true" : "false";
        else {
            const char* text = reinterpret_cast<const char*>(value->stringval);
            summary = summarise_string(text, std::char_traits<char>::length(text));
        }
        xmlXPathFreeObject(value);
    }
    void clear() override {
        release_document();
        for (xmlXPathCompExprPtr query : queries_) xmlXPathFreeCompExpr(query);
        queries_.clear();
    }

  private:
    void release_document() {
        if (context_) xmlXPathFreeContext(context_);
        if (document_) xmlFreeDoc(document_);
        context_ = nullptr;
        document_ = nullptr;
    }

    xmlDocPtr document_ = nullptr;
    xmlXPathContextPtr context_ = nullptr;
    std::vector<PrefixBinding> prefixes_;
    std::vector<xmlXPathCompExprPtr> queries_;
};

}  // namespace

std::unique_ptr<XPathEngine> make_libxml2_engine() {
    return std::make_unique<Libxml2Engine>();
}

}  // namespace bench

#else
std::unique_ptr<bench::XPathEngine> bench::make_libxml2_engine() {
    return nullptr;
}
#endif
