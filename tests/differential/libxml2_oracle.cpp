#include "libxml2_oracle.hpp"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>

#include "expression_generator.hpp"

namespace differential {
namespace {

void ignore_message(void*, const char*, ...) {}
void ignore_error(void*, xmlErrorPtr) {}

// libxml2 prints every parse and XPath error; the test compares them instead.
void silence_libxml2() {
    static bool done = false;
    if (done) return;
    done = true;
    xmlSetGenericErrorFunc(nullptr, ignore_message);
    xmlSetStructuredErrorFunc(nullptr, ignore_error);
}

std::string element_signature(xmlNodePtr element) {
    std::vector<int> positions;
    for (xmlNodePtr node = element; node && node->type == XML_ELEMENT_NODE; node = node->parent) {
        int position = 1;
        for (xmlNodePtr before = node->prev; before; before = before->prev)
            position += before->type == XML_ELEMENT_NODE;
        positions.push_back(position);
    }
    std::string signature;
    for (auto it = positions.rbegin(); it != positions.rend(); ++it)
        signature += "/" + std::to_string(*it);
    return signature.empty() ? "/" : signature;
}

std::string qualified_name(const xmlChar* name, xmlNsPtr ns) {
    std::string text = ns && ns->prefix
                           ? reinterpret_cast<const char*>(ns->prefix) + std::string(":")
                           : std::string();
    return text + reinterpret_cast<const char*>(name);
}

std::string signature(xmlNodePtr node) {
    switch (node->type) {
        case XML_DOCUMENT_NODE:
            return "/";
        case XML_ELEMENT_NODE:
            return element_signature(node);
        case XML_ATTRIBUTE_NODE:
            return element_signature(node->parent) + "/@" + qualified_name(node->name, node->ns);
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE: {
            int gap = 0;
            for (xmlNodePtr before = node->prev; before; before = before->prev)
                gap += before->type == XML_ELEMENT_NODE;
            return element_signature(node->parent) + "/#" + std::to_string(gap);
        }
        default:
            return "?kind " + std::to_string(node->type);
    }
}

std::string string_value(xmlNodePtr node) {
    xmlChar* value = xmlXPathCastNodeToString(node);
    std::string text = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return text;
}

Answer answer_of(xmlXPathObjectPtr object) {
    Answer answer;
    switch (object->type) {
        case XPATH_NODESET:
            answer.kind = Answer::Kind::node_set;
            for (int n = 0; object->nodesetval && n < object->nodesetval->nodeNr; ++n) {
                xmlNodePtr node = object->nodesetval->nodeTab[n];
                answer.nodes.push_back(signature(node));
                answer.values.push_back(string_value(node));
            }
            break;
        case XPATH_BOOLEAN:
            answer.kind = Answer::Kind::boolean;
            answer.boolean = object->boolval != 0;
            break;
        case XPATH_NUMBER:
            answer.kind = Answer::Kind::number;
            answer.number = object->floatval;
            break;
        case XPATH_STRING:
            answer.kind = Answer::Kind::string;
            answer.string = reinterpret_cast<const char*>(object->stringval);
            break;
        default:
            answer.string = "a value of libxml2's type " + std::to_string(object->type);
    }
    return answer;
}

}  // namespace

Libxml2Document::Libxml2Document(const std::string& text) : document_(nullptr), subset_(nullptr) {
    silence_libxml2();
    document_ = xmlReadMemory(text.data(), static_cast<int>(text.size()), "generated.xml", nullptr,
                              XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NOCDATA |
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!document_) return;
    // The internal subset's node sits before the root element, and its
    // entity declarations hold the parsed text of each entity, which
    // libxml2's preceding axis would reach. Here the subset is not part of
    // the tree; its defaults and IDs are already in the document.
    if (document_->intSubset) {
        subset_ = document_->intSubset;
        xmlUnlinkNode(reinterpret_cast<xmlNodePtr>(subset_));
    }
}

Libxml2Document::~Libxml2Document() {
    if (document_) xmlFreeDoc(document_);
    if (subset_) xmlFreeDtd(subset_);
}

// The expression is evaluated in parentheses, which mean the same: a plain
// path would go to libxml2's streaming evaluator, which answers /.//. with
// the root node alone and leaves the root out of .//. from the root.
Answer Libxml2Document::evaluate(const std::string& expression) const {
    std::string grouped = "(" + expression + ")";
    xmlXPathContextPtr context = xmlXPathNewContext(document_);
    for (const PrefixBinding& binding : expression_prefixes)
        xmlXPathRegisterNs(context, reinterpret_cast<const xmlChar*>(binding.prefix),
                           reinterpret_cast<const xmlChar*>(binding.uri));
    xmlXPathRegisterVariable(context, reinterpret_cast<const xmlChar*>("num"),
                             xmlXPathNewFloat(number_variable_value));
    xmlXPathRegisterVariable(context, reinterpret_cast<const xmlChar*>("str"),
                             xmlXPathNewCString(string_variable_value));
    Answer answer;
    xmlXPathCompExprPtr compiled =
        xmlXPathCtxtCompile(context, reinterpret_cast<const xmlChar*>(grouped.c_str()));
    if (!compiled) {
        answer.string = "refused when compiled";
        xmlXPathFreeContext(context);
        return answer;
    }
    // The context is the document alone: position() and last() are 1 there.
    context->node = reinterpret_cast<xmlNodePtr>(document_);
    context->contextSize = 1;
    context->proximityPosition = 1;
    xmlXPathObjectPtr object = xmlXPathCompiledEval(compiled, context);
    xmlXPathFreeCompExpr(compiled);
    if (object) {
        answer = answer_of(object);
        xmlXPathFreeObject(object);
    } else {
        answer.string = "refused when run";
    }
    xmlXPathFreeContext(context);
    return answer;
}

}  // namespace differential
