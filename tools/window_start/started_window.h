// A window program started as a new user starts it, watched from outside on
// the X display: the time from exec to its first top-level window being
// mapped, its standard error, and a close as the close box sends it. Shared
// by the start benchmark and the window start test.
//
// Threading: one thread; X11 only.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

struct _XDisplay;

class started_window {
public:
    // Starts program in folder (its working directory); standard output is
    // dropped, standard error kept. started() says whether it ran.
    started_window(const std::string &program, const std::string &folder);
    ~started_window();  // kills the program if it still runs
    started_window(const started_window &) = delete;
    started_window &operator=(const started_window &) = delete;

    bool started() const { return m_pid > 0 && m_display != nullptr; }
    // Waits for the first top-level window to be mapped; false on timeout or exit.
    bool wait_mapped(int timeout_ms);
    // Milliseconds from just before exec to the map, once wait_mapped held.
    double mapped_ms() const { return m_mapped_ms; }
    // Keeps reading standard error for ms milliseconds (the program goes on).
    void watch_for(int ms);
    // Asks the window to close as the close box does and waits for the exit;
    // the exit status, or -1 when it did not exit normally in time.
    int close(int timeout_ms);
    // What the program wrote to standard error so far.
    const std::string &error_text() const { return m_errors; }

private:
    // Reads X events and standard error until done() or the deadline.
    template <class Done>
    bool wait(int timeout_ms, Done done);

    _XDisplay *m_display = nullptr;
    pid_t m_pid = -1;
    int m_err_fd = -1;
    unsigned long m_window = 0;
    double m_mapped_ms = -1;
    std::chrono::steady_clock::time_point m_start;
    std::string m_errors;
};
