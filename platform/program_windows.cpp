#include "platform/program.h"

#include <windows.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/internal_windows.h"

bool process_os_executable_dir(std::string *dir) {
    // Long paths: grow the buffer until the whole name fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return false;
        if (n < path.size()) break;
        path.resize(path.size() * 2);
    }
    std::string full = narrow_to_utf8(path.data());
    size_t slash = full.find_last_of("\\/");
    if (slash == std::string::npos) return false;
    dir->assign(full, 0, slash + 1);
    return true;
}

// One argument of a command line as the C runtime splits it again: quoted
// only when it holds a space or a tab (a program directory under
// "Program Files"), backslashes before a quote doubled.
static void append_argument(std::wstring *line, const std::wstring &arg) {
    *line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        *line += arg;
        return;
    }
    *line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            backslashes++;
            continue;
        }
        line->append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        *line += c;
    }
    line->append(backslashes * 2, L'\\');
    *line += L'"';
}

int process_run_helper(const char *directory, const char *name, const char *const *args,
                       int *exit_code, const stop_request *stop) {
    std::wstring dir = widen_utf8(directory);
    std::wstring program = widen_utf8(name) + L".exe";
    if (dir.empty() || program.size() == 4) return 0;
    std::wstring application = dir + program;
    std::wstring line = program;
    for (const char *const *a = args; *a != nullptr; a++) append_argument(&line, widen_utf8(*a));

    // The helper shows no window of its own: hidden, and placed far below
    // the screen in case it shows one anyway.
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USEPOSITION;
    si.wShowWindow = SW_HIDE;
    si.dwY = 19190;
    PROCESS_INFORMATION pi{};
    // CreateProcessW may write into the command line, so it gets its own copy.
    std::vector<wchar_t> mutable_line(line.begin(), line.end());
    mutable_line.push_back(L'\0');
    if (!CreateProcessW(application.c_str(), mutable_line.data(), nullptr, nullptr, TRUE, 0,
                        nullptr, dir.c_str(), &si, &pi)) {
        return 0;
    }
    CloseHandle(pi.hThread);
    DWORD code = 0;
    constexpr DWORD STOP_POLL_MS = 20;
    DWORD waited;
    // Without a stop request to watch, the wait blocks instead of polling.
    const DWORD poll = stop == nullptr ? INFINITE : STOP_POLL_MS;
    while ((waited = WaitForSingleObject(pi.hProcess, poll)) == WAIT_TIMEOUT) {
        if (stop != nullptr && stop->requested.load(std::memory_order_relaxed)) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, INFINITE);
            CloseHandle(pi.hProcess);
            return 0;
        }
    }
    bool ok = waited == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (!ok) return 0;
    *exit_code = static_cast<int>(code);
    return 1;
}

namespace {

stop_request *the_request = nullptr;
std::atomic<bool> asked_once{false};
bool installed = false;

// The system calls this on a thread of its own. Returning FALSE hands the
// event to the default handler, which ends the process: the second event
// gets that, as a second signal does on POSIX.
BOOL WINAPI on_console_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    if (the_request == nullptr || asked_once.exchange(true)) return FALSE;
    stop_ask(the_request);
    // After a close event the process ends as soon as the handler returns
    // (or a few seconds later regardless): hold on so the command can reach
    // its safe point and main can return first.
    if (event == CTRL_CLOSE_EVENT) Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void stop_signals_install(stop_request *request) {
    the_request = request;
    asked_once = false;
    // Installing again only rearms: the system would call a handler added
    // twice twice.
    if (!installed) installed = SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
}

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

bool stream_is_terminal(FILE *stream) { return _isatty(_fileno(stream)) != 0; }

void sleep_os_ms(unsigned milliseconds) { Sleep(milliseconds); }

// The C runtime's thread-safe forms: they fill the caller's fields and return
// 0 on success.
bool calendar_utc(time_t t, struct tm *out) {
    struct tm fields {};
    if (gmtime_s(&fields, &t) != 0) return false;
    *out = fields;
    return true;
}

bool calendar_local(time_t t, struct tm *out) {
    struct tm fields {};
    if (localtime_s(&fields, &t) != 0) return false;
    *out = fields;
    return true;
}
