#include "platform/program_text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/wide_text_windows.h"

// The console's code page outlives the program: the one it had comes back at exit.
static UINT previous_output_page;
static void restore_output_page() { SetConsoleOutputCP(previous_output_page); }

void program_text_utf8(int *argc, char ***argv) {
    previous_output_page = GetConsoleOutputCP();
    if (previous_output_page != 0 && SetConsoleOutputCP(CP_UTF8)) atexit(restore_output_page);
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return;  // keep what the runtime gave
    static std::vector<std::string> texts;
    static std::vector<char *> pointers;
    texts.clear();
    for (int i = 0; i < count; i++) texts.push_back(narrow_to_utf8(wide[i]));
    LocalFree(wide);
    pointers.clear();
    for (std::string &t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    *argc = count;
    *argv = pointers.data();
}
