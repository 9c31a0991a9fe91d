#include "tests/card/layout/shell.h"

#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
// The command interpreter's result is the exit status itself.
static int exit_status(int raw) { return raw; }
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
static int exit_status(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }
#endif

int run_shell(const std::string &command) { return exit_status(system(command.c_str())); }

std::string shell_output(const std::string &command) {
    std::string out;
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
    return out;
}

std::string json_lines_print(const std::string &file, const std::string &print_arguments) {
    return shell_output("python3 -c 'import json,sys\n"
                        "rows=[json.loads(x) for x in open(sys.argv[1])]\n"
                        "print(" + print_arguments + ")' '" + file + "'");
}
