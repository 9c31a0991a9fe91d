#include "card/imagelist/list_render.h"

#include <cstring>
#include <memory>
#include <vector>

#include "card/imagelist/label_canvas.h"
#include "card/imagelist/label_text.h"

namespace {

const int PAGE_COUNT = 2;
const int PLANE_COUNT = 4;
// Lines per plane; 68 + 32 = LIST_SLOT_COUNT.
const int LINES_PER_PLANE[PAGE_COUNT][PLANE_COUNT] = {{17, 17, 17, 17}, {8, 9, 8, 7}};

bool arguments_usable(log_sink *log, const char *texts, int count, int size,
                      const uint8_t *settings, int settings_size) {
    if (count < 0 || count > LIST_SLOT_COUNT || (count > 0 && (texts == nullptr || size < 1))) {
        log_printf(log, "IMAGE LIST: %d slot texts of %d bytes cannot be listed\n", count, size);
        return false;
    }
    if (settings_size < 0 || settings_size > LIST_SETTINGS_SIZE ||
        (settings_size > 0 && settings == nullptr)) {
        log_printf(log, "IMAGE LIST: a settings sector of %d bytes does not fit\n", settings_size);
        return false;
    }
    return true;
}

}  // namespace

int build_list_image(log_sink *log, const char *texts, int count, int size, const uint8_t *settings,
                     int settings_size, uint8_t list[LIST_IMAGE_SIZE]) {
    if (log == nullptr) log = log_null();
    if (!arguments_usable(log, texts, count, size, settings, settings_size)) return 0;
    label_converters converters;
    if (!label_converters_open(&converters, log)) return 0;

    auto canvas = std::make_unique<label_canvas>();
    std::vector<uint8_t> pages(PAGE_COUNT * LIST_PAGE_SIZE);
    label_canvas_clear(canvas.get());
    int slot = 0;
    for (int page = 0; page < PAGE_COUNT; page++) {
        for (int plane = 0; plane < PLANE_COUNT; plane++) {
            for (int line = 0; line < LINES_PER_PLANE[page][plane]; line++, slot++) {
                if (slot >= count) continue;
                char euc[LABEL_TEXT_SIZE];
                label_text_convert(converters, log, texts + static_cast<size_t>(slot) * size,
                                   static_cast<size_t>(size), euc);
                label_draw_text(canvas.get(), euc, line * LABEL_LINE_PITCH,
                                static_cast<uint8_t>(1 << plane), converters, log);
            }
        }
        list_page_from_canvas(*canvas, pages.data() + page * LIST_PAGE_SIZE);
        label_canvas_clear(canvas.get());
    }
    label_converters_close(&converters);

    memset(list, 0, LIST_SETTINGS_SIZE);
    if (settings_size > 0) memcpy(list, settings, static_cast<size_t>(settings_size));
    memcpy(list + LIST_FIRST_PAGE_OFFSET, pages.data(), LIST_PAGE_SIZE);
    memcpy(list + LIST_SECOND_PAGE_OFFSET, pages.data() + LIST_PAGE_SIZE, LIST_SECOND_PAGE_KEPT);
    return 1;
}

int render_list_sectors(log_sink *log, const char *texts, int count, int size,
                        const uint8_t *settings, int settings_size, uint8_t raw[LIST_RAW_BYTES]) {
    std::vector<uint8_t> list(LIST_IMAGE_SIZE);
    if (!build_list_image(log, texts, count, size, settings, settings_size, list.data())) return 0;
    list_image_to_raw_sectors(list.data(), raw);
    return 1;
}
