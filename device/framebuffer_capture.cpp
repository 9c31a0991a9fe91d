// The vceget operation: one frame from the board into the frame store, then
// the PNG pair.
#include "core/log_whole.h"
#include "device/device_ops.h"
#include "device/framebuffer.h"
#include "device/framebuffer_stream.h"
#include "device/serial_link.h"

namespace {

long port_read(void *user, void *buffer, size_t n) {
    return serial_read_quiet(static_cast<serial_port *>(user), buffer, n);
}

long port_write(void *user, const void *data, size_t n) {
    return serial_write(static_cast<serial_port *>(user), data, n);
}

int capture(framebuffer *fb, serial_port *port, log_sink *l, const char *file) {
    fb_reset(fb);
    const fb_link link{port, port_read, port_write};
    if (!fb_read_frame(fb, &link, l)) return 0;
    if (!fb_find_active_area(fb, l)) return 0;
    if (!fb_save_png(fb, file, l)) return 0;
    log_printf_whole(l, "%s has been saved\n", file);
    return 1;
}

}  // namespace

int frame_capture_png(device_context *ctx, const char *file) {
    // The window lends its store for the live viewer; the command line has
    // none, so the capture gets its own for the length of the command.
    if (ctx->frame_store != nullptr)
        return capture(ctx->frame_store, ctx->port, ctx->log, file);
    framebuffer *fb = fb_create(nullptr, nullptr);
    int ok = capture(fb, ctx->port, ctx->log, file);
    fb_destroy(fb);
    return ok;
}
