#include "card/write/index_truncate.h"

#include <cstring>
#include <memory>

#include "card/cdimage/bcd.h"
#include "card/layout/stored_sector.h"

bool index_truncate_prepare(disk_handle *disk, uint32_t n, uint8_t version,
                            index_truncate_plan *plan) {
    if (n < 2 || n > 99) return false;
    uint8_t *head = plan->head;
    if (!area_read(disk, 0, head, INDEX_TOC_READ_BYTES)) return false;
    uint8_t *a0 = index_toc_find(head, TOC_POINT_A0);
    uint8_t *a1 = index_toc_find(head, TOC_POINT_A1);
    uint8_t *a2 = index_toc_find(head, TOC_POINT_A2);
    uint8_t *first_dropped = index_toc_find(head, bcd_from_bin(static_cast<uint8_t>(n)));
    if (a0 == nullptr || a1 == nullptr || a2 == nullptr || first_dropped == nullptr) return false;

    a1[7] = bcd_from_bin(static_cast<uint8_t>(n - 1));
    memcpy(&a2[7], &first_dropped[7], 3);
    // The frames that describe the kept disc: A0, A1, A2 and tracks 1 to n.
    uint8_t *end = head + INDEX_TOC_AT + index_toc_count(head) * Q_FRAME_SIZE;
    for (uint32_t k = 0; k < n + 3 && a0 + k * Q_FRAME_SIZE < end; k++)
        q_crc_store(a0 + k * Q_FRAME_SIZE);

    uint8_t q[Q_FRAME_SIZE];
    index_leadout_q(a2, q);
    uint8_t sector[STORED_SECTOR_SIZE];
    stored_leadout_sector(sector, q, stored_subchannel_transform(version));
    memcpy(plan->leadout_subchannel, sector, SUBCHANNEL_BLOCK_SIZE);
    plan->leadout_byte = stored_sector_byte(msf_to_frames(&a2[7]));
    return true;
}

bool index_truncate_write(disk_handle *disk, const index_truncate_plan &plan) {
    if (!area_write(disk, 0, plan.head, INDEX_TOC_READ_BYTES)) return false;
    uint32_t sector = static_cast<uint32_t>(plan.leadout_byte / DISK_SECTOR_SIZE);
    uint8_t around[1024];
    if (!area_read(disk, sector, around, sizeof around)) return false;
    memcpy(around + plan.leadout_byte % DISK_SECTOR_SIZE, plan.leadout_subchannel,
           SUBCHANNEL_BLOCK_SIZE);
    return area_write(disk, sector, around, sizeof around);
}

bool index_truncate(disk_handle *disk, uint32_t n, uint8_t version) {
    auto plan = std::make_unique<index_truncate_plan>();
    return index_truncate_prepare(disk, n, version, plan.get()) &&
           index_truncate_write(disk, *plan);
}
