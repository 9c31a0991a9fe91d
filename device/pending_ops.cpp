// Operations that are not built yet answer so and fail.
#include "device/device_ops.h"

static int not_built(device_context *ctx, const char *what) {
    log_printf(ctx->log, "%s is not built yet\n", what);
    return 0;
}

