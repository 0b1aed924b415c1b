#include "spawn.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "measure.hpp"

namespace bench {

namespace {

// In the child: replaces this process with the measuring one, its output into `pipe_in`.
[[noreturn]] void become_measuring_child(int pipe_in, const Allocator& allocator,
                                         std::vector<std::string> arguments) {
    dup2(pipe_in, STDOUT_FILENO);
    // A "path" VARIABLE=VALUE keeps glibc's malloc and sets that variable instead
    // (GLIBC_TUNABLES=glibc.malloc.mxfast=0: glibc without its fast bins).
    const std::size_t equals = allocator.path.find('=');
    if (allocator.path.empty() || equals != std::string::npos)
        unsetenv("LD_PRELOAD");
    else
        setenv("LD_PRELOAD", allocator.path.c_str(), 1);
    if (equals != std::string::npos)
        setenv(allocator.path.substr(0, equals).c_str(), allocator.path.c_str() + equals + 1, 1);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    std::perror("execv");
    _exit(127);
}

std::string read_all(int fd) {
    std::string text;
    char chunk[256];
    for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(got));
    return text;
}

}  // namespace

ChildReport measure_in_child(const Allocator& allocator, const std::string& kind,
                             const std::string& library, const std::string& source) {
    int ends[2];
    if (pipe(ends) != 0) return {};
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        become_measuring_child(ends[1], allocator,
                               {"xmlslice_compare", measure_option, kind, library, source});
    }
    close(ends[1]);
    const std::string text = child > 0 ? read_all(ends[0]) : "";
    close(ends[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return {};
    ChildReport report;
    int ok = 0;
    const bool exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (exited && std::sscanf(text.c_str(), "%d %lf %lf", &ok, &report.first, &report.second) >= 1)
        report.ok = ok == 1;
    return report;
}

}  // namespace bench
