#include "card/write/index_toc.h"

#include "card/layout/stored_sector.h"

size_t index_toc_count(const uint8_t *head) {
    size_t n = 0;
    while (n < TOC_ENTRIES_MAX && INDEX_TOC_AT + (n + 1) * Q_FRAME_SIZE <= INDEX_TOC_READ_BYTES &&
           head[INDEX_TOC_AT + n * Q_FRAME_SIZE] != STORED_PREGAP_FILL)
        n++;
    return n;
}

uint8_t *index_toc_find(uint8_t *head, uint8_t point) {
    size_t n = index_toc_count(head);
    for (size_t i = 0; i < n; i++) {
        uint8_t *q = head + INDEX_TOC_AT + i * Q_FRAME_SIZE;
        if (q[2] == point) return q;
    }
    return nullptr;
}
