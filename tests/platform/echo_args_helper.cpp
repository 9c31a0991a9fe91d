// A stand-in helper program for the process tests: writes each argument it
// received on a line of "args.txt" in its working directory and exits with
// 40 + the number of arguments.
#include <cstdio>

#include "platform/program.h"

int main(int argc, char **argv) {
    program_text_utf8(&argc, &argv);
    FILE *out = fopen("args.txt", "wb");
    if (out == nullptr) return 1;
    for (int i = 1; i < argc; i++) fprintf(out, "%s\n", argv[i]);
    fclose(out);
    return 40 + argc - 1;
}
