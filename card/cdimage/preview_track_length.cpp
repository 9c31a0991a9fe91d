// Length of the preview that the index disc takes from a CD image.
#include <cstring>
#include <string>
#include <vector>

#include "card/cdimage/image_sector_file.h"
#include "card/cdimage/subchannel_q.h"
#include "core/file_util.h"

uint32_t same_track_count(uint32_t source_start, const char *prefix) {
    std::string name = std::string(prefix) + ".sub";
    std::vector<uint8_t> blocks(size_t{SAME_TRACK_MAX} * SUBCHANNEL_BLOCK_SIZE);
    FILE *f = file_open(name.c_str(), "rb");
    if (f == nullptr) return 0;
    size_t got =
        sector_read_at(f, source_start, SUBCHANNEL_BLOCK_SIZE, SAME_TRACK_MAX, blocks.data());
    fclose(f);
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
