#include "platform/program_text.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/wide_text_windows.h"

void program_text_utf8(int *argc, char ***argv) {
    SetConsoleOutputCP(CP_UTF8);
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
