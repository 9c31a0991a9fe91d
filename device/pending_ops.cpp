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
int gpram_download(device_context *ctx, uint32_t, uint32_t, const char *) { return not_built(ctx, "gpram_dn"); }
int frame_capture_png(device_context *ctx, const char *) { return not_built(ctx, "vceget"); }
