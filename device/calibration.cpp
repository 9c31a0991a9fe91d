// Video timing calibration: measure on the board (or take a frame rate from
// the user), have the external helper compute a clock configuration block and
// send it to the board.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/file_util.h"
#include "device/device_ops.h"
#include "device/wire_protocol.h"
#include "platform/program.h"

namespace {

constexpr size_t CLOCK_CONFIG_SIZE = 66;
constexpr uint32_t MEASURED_BASE = 0x76000000;
// 13.5 s in gauge steps.
constexpr int MEASURE_STEPS = 50;
constexpr unsigned MEASURE_STEP_MS = 270;
// The helper's directory is handed over on a fixed-size command line.
constexpr size_t PROGRAM_DIR_MAX = 128;
constexpr const char *HELPER = "approx";
constexpr const char *HELPER_OUTPUT = "multisynth.bin";

// 21477270 / (1365 * 263): the console's frame rate in Hz, kept in extended
// precision so the value rounds as the helper expects.
constexpr long double NOMINAL_FRAME_RATE = 59.826097856516107468L;

// Returns the value handed to the helper: 0x76000000 + count; 0 on failure.
uint32_t measure(device_context *ctx) {
    serial_port *s = ctx->port;
    log_sink *l = ctx->log;
    uint8_t zeros[CLOCK_CONFIG_SIZE] = {};
    if (!vmk_write(s, l, VMK_PORT_CLOCK, 0, zeros, sizeof zeros)) {
        log_line(l, "PC Engine configuration initialization error");
        return 0;
    }
    log_line(l, "system reset ok");
    uint8_t start[2] = {0x00, 0x01};
    if (!vmk_write(s, l, VMK_PORT_COUNTER, 0, start, sizeof start)) {
        log_line(l, "W error");
        return 0;
    }
    gauge_set_range(l, MEASURE_STEPS);
    for (int i = 0; i < MEASURE_STEPS; i++) {
        if (log_stop_point(l)) return 0;
        platform_sleep_ms(MEASURE_STEP_MS);
        gauge_step(l, 1);
    }
    uint8_t counter[4];
    if (!vmk_read_quiet(s, l, VMK_PORT_COUNTER, 0, counter, sizeof counter)) {
        log_line(l, "counter register read error");
        return 0;
    }
    if (counter[2] & 0x80) {
        log_line(l, "the register data is incorrect");
        return 0;
    }
    return MEASURED_BASE + counter[0] + 256u * counter[1] + 65536u * counter[2];
}

// The helper's result: the first 66 bytes of its output file.
bool read_clock_config(log_sink *l, const char *dir, uint8_t config[CLOCK_CONFIG_SIZE]) {
    std::string path = std::string(dir) + HELPER_OUTPUT;
    if (file_size(path.c_str()) < static_cast<int64_t>(CLOCK_CONFIG_SIZE) ||
        !file_read_whole(path.c_str(), config, CLOCK_CONFIG_SIZE)) {
        log_printf(l, "%s is missing or shorter than 66 bytes\n", HELPER_OUTPUT);
        return false;
    }
    return true;
}

}  // namespace

int calibrate(device_context *ctx, uint32_t value) {
    log_sink *l = ctx->log;
    bool measured = value == 0;
    if (measured && (value = measure(ctx)) == 0) return 0;
    if (value == MEASURED_BASE) {
        log_line(l, "hd counter error");
        return 0;
    }
    char dir[PROGRAM_DIR_MAX];
    if (!process_program_dir(dir, sizeof dir)) {
        log_line(l, "program directory is unknown or longer than 127 bytes");
        return 0;
    }
    log_line(l, dir);

    char value_text[16];
    snprintf(value_text, sizeof value_text, "%d", static_cast<int32_t>(value));
    std::string output = std::string(dir) + HELPER_OUTPUT;
    const char *args[] = {value_text, output.c_str(), nullptr};
    int exit_code = -1;
    bool ran = process_run_helper(dir, HELPER, args, &exit_code, l->stop);
    if (log_stop_point(l)) return 0;
    if (!ran || exit_code != 0) {
        log_line(l, "sub process error");
        return 0;
    }
    log_printf(l, "adjustment=%13.12f\n", 1982475000.0 / static_cast<double>(value));

    uint8_t config[CLOCK_CONFIG_SIZE];
    if (!read_clock_config(l, dir, config)) return 0;
    if (!vmk_write(ctx->port, l, VMK_PORT_CLOCK, 0, config, sizeof config)) {
        log_line(l, "PC Engine re-configuration initialize error");
        return 0;
    }
    if (!measured) return 1;
    if (!vmk_reset_release(ctx->port, l)) return 0;
    log_line(l, "calibration complete");
    return 1;
}

bool adj_rate_parse(log_sink *log, const char *text, double *rate) {
    // Digits with at most one decimal point: strtod alone would also take
    // blanks, signs, exponents, "inf" and trailing text.
    bool plain = text[0] >= '0' && text[0] <= '9' &&
                 strspn(text, "0123456789.") == strlen(text) && strchr(text, '.') == strrchr(text, '.');
    double f = plain ? strtod(text, nullptr) : 0.0;
    if (!(f >= 50.0 && f < 70.0)) {
        log_line(log, "out of range");
        return false;
    }
    *rate = f;
    return true;
}

int adj_rate(device_context *ctx, const char *rate, int *ok) {
    *ok = 0;
    double f;
    if (!adj_rate_parse(ctx->log, rate, &f)) return 1;
    double product = static_cast<double>(NOMINAL_FRAME_RATE / f * 991237500.0L);
    uint32_t value = static_cast<uint32_t>(std::trunc(product));
    printf("VSync %5.2f Hz, pixel clock %5.2f MHz, val %x\n", f, f * 1237500.0 / 1000000.0, value);
    fflush(stdout);
    *ok = calibrate(ctx, value);
    return 0;
}
