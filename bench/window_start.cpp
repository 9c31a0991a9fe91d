// From exec to a mapped frame: the window (as a new user starts it, in an
// empty folder) against a bare wxWidgets frame, started alternately so that
// both meet the same machine load. Needs a display:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/window-start [runs [program [other program]]]
//
// The programs default to the window and the bare frame built beside this;
// two builds of the window may be compared instead.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/window_start/started_window.h"

namespace {

// Milliseconds to the map, or a negative value when the window never showed.
double start_once(const char *program) {
    char pattern[] = "/tmp/vmk-window-start-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return -1;
    double ms = -1;
    {
        started_window w(program, pattern);
        if (w.wait_mapped(30000)) ms = w.mapped_ms();
        // The next start must not meet this one still running.
        w.close(10000);
    }
    std::filesystem::remove_all(pattern);
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char **argv) {
    const int runs = argc > 1 ? atoi(argv[1]) : 8;
    if (runs < 1) {
        fprintf(stderr, "usage: window-start [runs [program [other program]]]\n");
        return 2;
    }
    const char *program = argc > 2 ? argv[2] : VELLUMARK_PROGRAM;
    const char *other = argc > 3 ? argv[3] : BARE_FRAME_PROGRAM;
    std::vector<double> window, bare, ratios;
    for (int i = 0; i < runs; i++) {
        // Alternate which one goes first.
        const bool window_first = i % 2 == 0;
        const double first = start_once(window_first ? program : other);
        const double second = start_once(window_first ? other : program);
        const double w = window_first ? first : second;
        const double b = window_first ? second : first;
        if (w < 0 || b < 0) {
            fprintf(stderr, "window-start: a window did not show (is there a display?)\n");
            return 1;
        }
        window.push_back(w);
        bare.push_back(b);
        ratios.push_back(w / b);
        printf("run %d: %.1f ms against %.1f ms\n", i + 1, w, b);
    }
    const double mw = median(window), mb = median(bare);
    printf("median of %d: %s %.1f ms, %s %.1f ms, ratio %.2f (median of paired ratios %.2f)\n", runs,
           program, mw, other, mb, mw / mb, median(ratios));
    return 0;
}
