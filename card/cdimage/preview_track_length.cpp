// Length of the preview that the index disc takes from a CD image.
#include <cstring>
#include <string>
#include <vector>

#include "card/cdimage/cd_source.h"
#include "card/cdimage/subchannel_q.h"

uint32_t same_track_count(log_sink *log, cd_source *image, uint32_t source_start) {
    std::vector<uint8_t> blocks(size_t{SAME_TRACK_MAX} * SUBCHANNEL_BLOCK_SIZE);
    bool failed = false;
    size_t got = cd_source_read_some(
        image, log, source_start, SAME_TRACK_MAX,
        cd_sector_target{nullptr, 0, blocks.data(), SUBCHANNEL_BLOCK_SIZE}, &failed);
    if (got == 0) return 0;
    q_check_state state;
    q_check_init(&state, nullptr);
    memcpy(state.previous, &blocks[SUBCHANNEL_Q_OFFSET], Q_FRAME_SIZE);
    const uint8_t track = state.previous[1], index = state.previous[2];
    for (size_t i = 1; i < got; i++) {
        uint8_t *q = &blocks[i * SUBCHANNEL_BLOCK_SIZE + SUBCHANNEL_Q_OFFSET];
        if ((q[0] & 0x0F) != Q_ADR_POSITION) continue;
        q_check(&state, q, false);
        if (q[1] != track || q[2] != index) return static_cast<uint32_t>(i);
    }
    return static_cast<uint32_t>(got);
}
