#include "platform/program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/files.h"

extern char **environ;

bool process_os_executable_dir(std::string *dir) {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return false;
    path[n] = '\0';
    char *slash = strrchr(path, '/');
    if (slash == nullptr) return false;
    dir->assign(path, static_cast<size_t>(slash - path) + 1);
    return true;
}

static bool is_file(const std::string &path) { return regular_file_size(path.c_str()) >= 0; }

static bool is_executable_file(const std::string &path) {
    return is_file(path) && access(path.c_str(), X_OK) == 0;
}

namespace {

constexpr unsigned STOP_POLL_MS = 20;

bool stop_asked(const stop_request *stop) {
    return stop != nullptr && stop->requested.load(std::memory_order_relaxed);
}

stop_request *the_request = nullptr;

// Async-signal-safe: one relaxed atomic store. SA_RESETHAND has already put
// the default action back for the next signal.
void on_signal(int) {
    if (the_request != nullptr) stop_ask(the_request);
}

}  // namespace

int process_run_helper(const char *directory, const char *name, const char *const *args,
                       int *exit_code, const stop_request *stop) {
    std::string native = std::string(directory) + name;
    std::string windows = native + ".exe";
    std::vector<std::string> argv;
    bool search_path = false;
    if (is_executable_file(native)) {
        argv.push_back(native);
    } else if (is_file(windows)) {
        argv = {"wine", windows};
        search_path = true;  // wine is found through PATH
    } else {
        return 0;
    }
    for (const char *const *a = args; *a != nullptr; a++) argv.emplace_back(*a);
    std::vector<char *> cargv;
    for (auto &s : argv) cargv.push_back(s.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return 0;
    int started = -1;
    pid_t pid = -1;
    // addchdir_np is glibc (2.29 and later); elsewhere a fork/chdir/exec would do.
    if (posix_spawn_file_actions_addchdir_np(&actions, directory) == 0) {
        started = search_path
                      ? posix_spawnp(&pid, cargv[0], &actions, nullptr, cargv.data(), environ)
                      : posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return 0;

    int status = 0;
    for (;;) {
        // Without a stop request to watch, the wait blocks instead of polling.
        pid_t ended = waitpid(pid, &status, stop == nullptr ? 0 : WNOHANG);
        if (ended == pid) break;
        if (ended < 0 && errno != EINTR) return 0;
        if (stop_asked(stop)) {
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return 0;
        }
        usleep(STOP_POLL_MS * 1000);
    }
    // A helper killed by a signal has no exit code to trust.
    if (!WIFEXITED(status)) return 0;
    *exit_code = WEXITSTATUS(status);
    return 1;
}

void stop_signals_install(stop_request *request) {
    the_request = request;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// Arguments arrive as the bytes of their names, UTF-8 on the systems we run on;
// a terminal shows what it is sent.
void program_text_utf8(int *, char ***) {}

bool stream_is_terminal(FILE *stream) { return isatty(fileno(stream)) != 0; }

void sleep_os_ms(unsigned milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

bool calendar_utc(time_t t, struct tm *out) {
    struct tm fields {};
    if (gmtime_r(&t, &fields) == nullptr) return false;
    *out = fields;
    return true;
}

bool calendar_local(time_t t, struct tm *out) {
    struct tm fields {};
    if (localtime_r(&t, &fields) == nullptr) return false;
    *out = fields;
    return true;
}
