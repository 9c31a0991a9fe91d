#include "device/device_dispatch.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "device/device_args.h"
#include "core/internal_error.h"
#include "device/device_ops.h"
#include "device/port_choice.h"
#include "platform/serial.h"
#include "device/wire_protocol.h"

namespace {

struct map_name {
    const char *name;
    int value;
};

const map_name dump_maps[] = {
    {"rom", MAP_DUMP_GENERIC},
    {"romram", MAP_DUMP_ROMRAM},
    {"sf2", MAP_DUMP_SF2CE},
    {"memorybase", MAP_DUMP_MEMORYBASE},
    {nullptr, 0},
};

const map_name upload_maps[] = {
    {"rom", MAP_IFURAM_ROM},
    {"romram", MAP_IFURAM_ROMRAM},
    {nullptr, 0},
};

// Map names compare on at most 8 characters; -1 and the list of known names
// when none matches.
int map_lookup(log_sink *l, const map_name *maps, const char *name) {
    for (const map_name *m = maps; m->name != nullptr; m++)
        if (strncmp(m->name, name, 8) == 0) return m->value;
    log_line(l, "unknown map, map is defined:");
    for (const map_name *m = maps; m->name != nullptr; m++) log_printf(l, " %s", m->name);
    log_line(l, "");
    return -1;
}

int fail(device_context *ctx, int status) {
    ctx->failed = 1;
    return status;
}

int cmd_reset(device_context *ctx, log_sink *l, const char *const *) {
    if (!vmk_reset(ctx->port, l)) ctx->failed = 1;
    return 0;
}

int cmd_calb(device_context *ctx, log_sink *, const char *const *) {
    if (!calibrate(ctx, 0)) ctx->failed = 1;
    return 0;
}

template <int (*transfer)(device_context *, int, const char *)>
int cmd_save(device_context *ctx, log_sink *l, const char *const *args) {
    int page;
    if (!page_arg(l, args[0], &page)) return fail(ctx, 1);
    if (!transfer(ctx, page, args[1])) ctx->failed = 1;
    return 0;
}

// The dump handler: the ROM dump timed in millisecond ticks of the wall
// clock (the process's CPU time, what clock() gives here, would hide the
// time spent waiting for the board).
int cmd_dump(device_context *ctx, log_sink *l, const char *const *args) {
    int map = map_lookup(l, dump_maps, args[0]);
    if (map < 0) return fail(ctx, 0);
    auto start = std::chrono::steady_clock::now();
    int ok = 0;
    size_t n = hucard_dump(ctx, map, args[1], &ok);
    auto end = std::chrono::steady_clock::now();
    if (n == 0) return fail(ctx, 0);
    long long ticks = std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
    double seconds = static_cast<double>(ticks) / 1000.0;
    // A dump faster than one tick reads 0 s: no division by 0.
    long rate = seconds > 0 ? static_cast<long>(static_cast<double>(n) / seconds) : 0;
    log_printf(l, "%4.1f sec, 0x%zx byte, %ld byte /sec\n", seconds, n, rate);
    if (!ok) ctx->failed = 1;
    return 0;
}

int cmd_memorybase(device_context *ctx, log_sink *l, const char *const *args) {
    if (strcmp(args[0], "down") == 0) {
        const char *dump_args[] = {"memorybase", args[1]};
        return cmd_dump(ctx, l, dump_args);
    }
    if (strcmp(args[0], "up") == 0) return memorybase_upload(ctx, args[1]) ? 0 : fail(ctx, 1);
    log_line(l, "up or down");
    return fail(ctx, 1);
}

int cmd_gpram_dn(device_context *ctx, log_sink *l, const char *const *args) {
    uint32_t address, length;
    if (!gpram_range_args(l, args[0], args[1], &address, &length)) return fail(ctx, 1);
    if (!gpram_download(ctx, address, length, args[2])) ctx->failed = 1;
    return 0;
}

int cmd_upimg(device_context *ctx, log_sink *l, const char *const *args) {
    int destination;
    if (strcmp(args[0], "gpram") == 0) {
        destination = DEST_GPRAM;
    } else if (strcmp(args[0], "flash") == 0) {
        destination = DEST_FLASH;
    } else {
        log_line(l, "destination is gpram or flash");
        return fail(ctx, 1);
    }
    int map = map_lookup(l, upload_maps, args[1]);
    if (map < 0) return fail(ctx, VMK_FAILED);
    return rom_upload(ctx, destination, map, args[2]) ? VMK_OK : fail(ctx, VMK_FAILED);
}

int cmd_program_data(device_context *ctx, log_sink *l, const char *const *args) {
    uint32_t address;
    if (!flash_data_args(l, args[0], args[1], &address)) return fail(ctx, 1);
    if (!flash_program_data(ctx, address, args[1])) ctx->failed = 1;
    return 0;
}

int cmd_program_jic(device_context *ctx, log_sink *, const char *const *args) {
    if (!program_jic_file(ctx, args[0])) ctx->failed = 1;
    return 0;
}

int cmd_program_pac(device_context *ctx, log_sink *, const char *const *args) {
    return program_pac_file(ctx, args[0]) ? 0 : fail(ctx, 1);
}

int cmd_vceget(device_context *ctx, log_sink *, const char *const *args) {
    if (!frame_capture_png(ctx, args[0])) ctx->failed = 1;
    return 0;
}

int cmd_adj(device_context *ctx, log_sink *, const char *const *args) {
    int ok = 0;
    int status = adj_rate(ctx, args[0], &ok);
    if (status != 0 || !ok) ctx->failed = 1;
    return status;
}

int cmd_colortable(device_context *ctx, log_sink *, const char *const *args) {
    return colortable_send(ctx, args[0]) ? VMK_OK : fail(ctx, VMK_FAILED);
}

// Argument checks run before the port is opened: a refused argument leaves
// the board untouched.
bool check_page(log_sink *l, const char *const *args) {
    int page;
    return page_arg(l, args[0], &page);
}

bool check_gpram_range(log_sink *l, const char *const *args) {
    uint32_t address, length;
    return gpram_range_args(l, args[0], args[1], &address, &length);
}

bool check_flash_data(log_sink *l, const char *const *args) {
    uint32_t address;
    return flash_data_args(l, args[0], args[1], &address);
}

bool check_rate(log_sink *l, const char *const *args) {
    double rate;
    return adj_rate_parse(l, args[0], &rate);
}

}  // namespace

const device_command device_commands[] = {
    {"reset", 0, cmd_reset, "", nullptr, nullptr},
    {"calb", 0, cmd_calb, "", nullptr, nullptr},
    {"save_up", 2, cmd_save<bkram_upload>, "[page] [imagefile]", check_page, nullptr},
    {"save_dn", 2, cmd_save<bkram_download>, "[page] [imagefile]", check_page, nullptr},
    {"memorybase", 2, cmd_memorybase, "[up|down]", nullptr, nullptr},
    {"dump", 2, cmd_dump, "[rom|romram|sf2] [romfile]", nullptr, DUMP_OPTIONS},
    {"gpram_dn", 3, cmd_gpram_dn, "[hexaddress] [length] [imagefile]", check_gpram_range, nullptr},
    {"upimg", 3, cmd_upimg, "[gpram|flash] [rom|romram] [filename]", nullptr, nullptr},
    {"program_data", 2, cmd_program_data, "[hexaddress] [imagefile]", check_flash_data, nullptr},
    {"program_jic", 1, cmd_program_jic, "[jicfile]", nullptr, nullptr},
    {"program_pac", 1, cmd_program_pac, "[pacfile]", nullptr, nullptr},
    {"vceget", 1, cmd_vceget, "[png file path]", nullptr, nullptr},
    {"adj", 1, cmd_adj, "[VSync freq Hz]", check_rate, nullptr},
    {"colortable", 1, cmd_colortable, "(colortable file)", nullptr, nullptr},
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
};

const char *device_port_name(const device_command *h, int c, const char *const *v) {
    return c - 2 > h->argnum ? v[h->argnum + 2] : DEVICE_DEFAULT_PORT;
}

const device_command *device_command_find(const char *name) {
    for (const device_command *h = device_commands; h->name != nullptr; h++)
        if (strncmp(h->name, name, 20) == 0) return h;
    return nullptr;
}

int device_run(log_sink *log, framebuffer *frame_store, const device_command *h,
               const command_arguments &arguments, int *ok) {
    if (ok) *ok = 0;
    // "", command, positionals: the layout the handlers and the port use.
    std::vector<const char *> p{"", h->name};
    p.insert(p.end(), arguments.positional.begin(), arguments.positional.end());
    int a = static_cast<int>(p.size()) - 2;
    if (a < h->argnum) {
        // The window never builds a short vector; a shell user can.
        internal_error("c >= h->argnum");
        return VMK_FAILED;
    }
    if (h->check != nullptr && !h->check(log, p.data() + 2)) return VMK_FAILED;
    const char *port_name = device_port_name(h, static_cast<int>(p.size()), p.data());
    const bool default_port = a == h->argnum;
    // The default name means nothing on most machines: where it is absent and
    // the listing finds the board's adapter, that is the port.
    port_proposal proposal;
    if (default_port && port_propose(port_name, serial_port_exists(port_name), "",
                                     serial_port_list(), &proposal)) {
        log_line(log, proposal.reason.c_str());
        port_name = proposal.port.c_str();
    }
    serial_port *port = serial_open(log, port_name, 500000, 0, 8);
    if (port == nullptr) {
        log_line(log, "error opening serial port");
        std::string path = serial_os_device_name(port_name);
        if (default_port && proposal.port.empty())
            log_printf(log, "no port was given: the default %s (%s) was tried\n",
                       DEVICE_DEFAULT_PORT, path.c_str());
        log_line(log, serial_port_open_problem(path).c_str());
        if (!default_port && port_propose(port_name, serial_port_exists(port_name), "",
                                          serial_port_list(), &proposal))
            log_line(log, proposal.reason.c_str());
        return VMK_FAILED;
    }
    device_context ctx{port, log, frame_store, 0, &arguments};
    int status = h->handler(&ctx, log, p.data() + 2);
    serial_close(port);
    if (ok) *ok = status == VMK_OK && !ctx.failed;
    return status;
}

int device_dispatch(log_sink *log, framebuffer *frame_store, int c, const char *const *v, int *ok) {
    if (ok) *ok = 0;
    if (c < 2) return DEVICE_STATUS_NOT_FOUND;
    const device_command *h = device_command_find(v[1]);
    if (h == nullptr) return DEVICE_STATUS_NOT_FOUND;
    command_arguments arguments;
    if (!command_arguments_split(h->options, c - 2, v + 2, false, &arguments)) {
        log_printf(log, "%s\n", arguments.refusal.c_str());
        return VMK_FAILED;
    }
    return device_run(log, frame_store, h, arguments, ok);
}
