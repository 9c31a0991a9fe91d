#include "card/imagelist/list_on_card.h"

#include <vector>

int render_image_list(disk_handle *disk, log_sink *log, const char *texts, int count, int size,
                      const uint8_t *settings, int settings_size) {
    if (log == nullptr) log = log_null();
    std::vector<uint8_t> raw(LIST_RAW_BYTES);
    if (!disk_seek_relative(disk, 0) || !disk_read(disk, raw.data(), LIST_RAW_BYTES)) {
        log_line(log, "IMAGE LIST: cannot read the index disc");
        return 0;
    }
    if (!render_list_sectors(log, texts, count, size, settings, settings_size, raw.data())) {
        return 0;
    }
    if (!disk_seek_relative(disk, 0) || !disk_write(disk, raw.data(), LIST_RAW_BYTES)) {
        log_line(log, "IMAGE LIST: cannot write the index disc");
        return 0;
    }
    return 1;
}
