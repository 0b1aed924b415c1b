// xmlslice: check, print and query XML documents from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.hpp"

namespace {

using namespace xmlslice::tool;

const char USAGE[] =
    "usage: xmlslice COMMAND ARGUMENTS\n"
    "\n"
    "  check FILE...              report whether each document is well formed\n"
    "  print FILE                 write the document back out as XML\n"
    "  get [-a NAME | --xml] FILE PATH\n"
    "                             print the text of the element PATH names;\n"
    "                             -a NAME prints that attribute (declared defaults\n"
    "                             included), --xml the element serialised\n"
    "  pi FILE TARGET             print the processing instructions of TARGET\n"
    "  stats FILE                 print counts, depth, size and parse speed\n"
    "\n"
    "FILE - reads standard input. PATH is slash-separated steps, name or name[N]\n"
    "(N from 1), from the root's children down: book[2]/title. A leading /NAME/\n"
    "names the root element itself, as does a first step with the root's name\n"
    "when the root has no child of that name: catalog/book[2]/title. The text\n"
    "printed is the element's own character data, child elements cut out.\n"
    "Exit status: 0 success, 1 a document or lookup failed, 2 usage error.\n"
    "\n"
    "  --help                     show this help\n"
    "  --version                  show the version\n";

struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    GetOptions get;
};

int usage_error(const std::string& message) {
    complain(message + " (see xmlslice --help)");
    return EXIT_USAGE;
}

// Splits the arguments after the command into options and operands;
// returns an exit status when the arguments are not acceptable, else -1.
int read_arguments(int argc, char** argv, CommandLine& line) {
    bool options_done = false;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        bool is_option = !options_done && argument.size() > 1 && argument[0] == '-';
        if (!is_option) {
            line.operands.push_back(argument);
        } else if (argument == "--") {
            options_done = true;
        } else if (line.command == "get" && argument == "--xml") {
            line.get.as_xml = true;
        } else if (line.command == "get" && argument == "-a") {
            if (++i == argc) return usage_error("-a needs an attribute name");
            line.get.attribute = argv[i];
            if (line.get.attribute.empty()) return usage_error("-a needs an attribute name");
        } else {
            return usage_error("unknown option " + argument + " for " + line.command);
        }
    }
    if (line.get.as_xml && !line.get.attribute.empty())
        return usage_error("-a and --xml exclude each other");
    return -1;
}

bool wants(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

int dispatch(const CommandLine& line) {
    const std::string& command = line.command;
    const std::vector<std::string>& operands = line.operands;
    std::size_t count = operands.size();
    if (command == "check") {
        if (count == 0) return usage_error("check needs at least one FILE");
        return run_check(operands);
    }
    if (command == "print" || command == "stats") {
        if (count != 1) return usage_error(command + " needs one FILE");
        return command == "print" ? run_print(operands[0]) : run_stats(operands[0]);
    }
    if (command == "get") {
        if (count != 2) return usage_error("get needs FILE and PATH");
        return run_get(operands[0], operands[1], line.get);
    }
    if (command == "pi") {
        if (count != 2) return usage_error("pi needs FILE and TARGET");
        return run_instructions(operands[0], operands[1]);
    }
    return usage_error("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
    int status;
    if (wants(argc, argv, "--help")) {
        std::fputs(USAGE, stdout);
        status = EXIT_OK;
    } else if (wants(argc, argv, "--version")) {
        std::printf("xmlslice %s\n", XMLSLICE_VERSION);
        status = EXIT_OK;
    } else if (argc < 2) {
        status = usage_error("no command given");
    } else {
        CommandLine line;
        line.command = argv[1];
        status = read_arguments(argc, argv, line);
        if (status < 0) status = dispatch(line);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        complain("cannot write the output");
        return EXIT_FAILED;
    }
    return status;
}
