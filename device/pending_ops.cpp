// Operations that are not built yet answer so and fail.
#include "device/device_ops.h"

static int not_built(device_context *ctx, const char *what) {
    log_printf(ctx->log, "%s is not built yet\n", what);
    return 0;
}

int bkram_upload(device_context *ctx, int, const char *) { return not_built(ctx, "save_up"); }
int bkram_download(device_context *ctx, int, const char *) { return not_built(ctx, "save_dn"); }
int memorybase_upload(device_context *ctx, const char *) { return not_built(ctx, "memorybase up"); }
size_t hucard_dump(device_context *ctx, int, const char *) { return not_built(ctx, "dump"); }
int rom_upload(device_context *ctx, int, int, const char *) { return not_built(ctx, "upimg"); }
int gpram_download(device_context *ctx, uint32_t, uint32_t, const char *) { return not_built(ctx, "gpram_dn"); }
int flash_program_data(device_context *ctx, uint32_t, const char *) { return not_built(ctx, "program_data"); }
int program_pac_file(device_context *ctx, const char *) { return not_built(ctx, "program_pac"); }
int program_jic_file(device_context *ctx, const char *) { return not_built(ctx, "program_jic"); }
int calibrate(device_context *ctx, uint32_t) { return not_built(ctx, "calibration"); }
int adj_rate(device_context *ctx, const char *, int *ok) {
    *ok = 0;
    return not_built(ctx, "adj");
}
int colortable_send(device_context *ctx, const char *) { return not_built(ctx, "colortable"); }
