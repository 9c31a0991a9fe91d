// A rendered image list turned back into a picture, for checking what the
// board will show: one row per page, the four planes of a page side by side,
// set pixels white on black, planes and pages parted by grey bars.
#pragma once

#include <cstddef>
#include <cstdint>

#include "card/imagelist/list_image.h"
#include "core/log.h"

constexpr int LIST_PREVIEW_GAP = 4;
constexpr int LIST_PREVIEW_WIDTH = 4 * int{LIST_PAGE_WIDTH} + 3 * LIST_PREVIEW_GAP;
constexpr int LIST_PREVIEW_HEIGHT = 2 * int{LIST_PAGE_HEIGHT} + LIST_PREVIEW_GAP;

// data is either the first 256 raw sectors of an index disc (626688 bytes) or
// the 51200-byte list image. png_name is UTF-8. Returns 1, or 0 with a message
// for another size or a file that cannot be written.
int list_image_to_png(log_sink *log, const uint8_t *data, size_t size, const char *png_name);
