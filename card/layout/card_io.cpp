#include "card/layout/card_io.h"

bool card_read_at(card_context *c, uint32_t sector, void *buffer, uint32_t bytes) {
    if (!disk_seek(c->disk, sector)) {
        log_line(c->log, "seek error");
        return false;
    }
    if (!disk_read(c->disk, buffer, bytes)) {
        log_line(c->log, "read error");
        return false;
    }
    return true;
}

bool card_write_at(card_context *c, uint32_t sector, const void *buffer, uint32_t bytes,
                   const char *write_error) {
    if (!disk_seek(c->disk, sector)) {
        log_line(c->log, "seek error");
        return false;
    }
    if (!disk_write(c->disk, buffer, bytes)) {
        log_line(c->log, write_error);
        return false;
    }
    return true;
}

bool card_flush(card_context *c) {
    if (disk_flush(c->disk)) return true;
    log_line(c->log, "flush error");
    return false;
}

bool card_write_structure_at(card_context *c, uint32_t sector, const void *buffer, uint32_t bytes,
                             const char *write_error) {
    return card_flush(c) && card_write_at(c, sector, buffer, bytes, write_error) && card_flush(c);
}
