#include "tools/window_start/started_window.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>


namespace {

using steady = std::chrono::steady_clock;

double ms_between(steady::time_point from, steady::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

started_window::started_window(const std::string &program, const std::string &folder) {
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) return;
    // Before the program starts, so that no map goes unseen.
    XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
    XSync(m_display, False);
    int fds[2];
    if (pipe(fds) != 0) return;
    m_start = steady::now();
    m_pid = fork();
    if (m_pid == 0) {
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        if (chdir(folder.c_str()) != 0) _exit(126);
        std::string path = program;
        char *argv[] = {path.data(), nullptr};
        execv(argv[0], argv);
        _exit(127);
    }
    close(fds[1]);
    m_err_fd = fds[0];
}

started_window::~started_window() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_err_fd >= 0) ::close(m_err_fd);
    if (m_display != nullptr) XCloseDisplay(m_display);
}

template <class Done>
bool started_window::wait(int timeout_ms, Done done) {
    const steady::time_point deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        while (XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == MapNotify && m_window == 0 && !event.xmap.override_redirect) {
                m_window = event.xmap.window;
                m_mapped_ms = ms_between(m_start, steady::now());
            }
        }
        if (done()) return true;
        const double left = ms_between(steady::now(), deadline);
        if (left <= 0) return false;
        pollfd watched[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {m_err_fd, POLLIN, 0}};
        const nfds_t count = m_err_fd >= 0 ? 2 : 1;
        if (poll(watched, count, static_cast<int>(left) + 1) < 0) return false;
        if (count == 2 && watched[1].revents != 0) {
            char buffer[4096];
            const ssize_t n = read(m_err_fd, buffer, sizeof buffer);
            if (n > 0) {
                m_errors.append(buffer, static_cast<size_t>(n));
            } else {
                ::close(m_err_fd);  // the program has ended
                m_err_fd = -1;
            }
        }
    }
    return true;
}

bool started_window::wait_mapped(int timeout_ms) {
    if (!started()) return false;
    return wait(timeout_ms, [&] { return m_window != 0 || m_err_fd < 0; }) && m_window != 0;
}

void started_window::watch_for(int ms) {
    if (started()) wait(ms, [] { return false; });
}

int started_window::close(int timeout_ms) {
    if (!started() || m_window == 0) return -1;
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = m_window;
    message.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, m_window, False, NoEventMask, &message);
    XFlush(m_display);
    const steady::time_point deadline = steady::now() + std::chrono::milliseconds(timeout_ms);
    int raw = 0;
    while (waitpid(m_pid, &raw, WNOHANG) != m_pid) {
        if (steady::now() > deadline) return -1;
        if (m_err_fd >= 0)
            wait(20, [&] { return m_err_fd < 0; });
        else
            usleep(20000);
    }
    m_pid = -1;
    // A helper the toolkit started may hold standard error open: read what is left briefly.
    wait(200, [&] { return m_err_fd < 0; });
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
