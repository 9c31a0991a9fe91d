// The sectors of an image set: prefix.img and prefix.sub read straight into
// the caller's buffers.
#include <algorithm>
#include <utility>
#include <vector>

#include "card/cdimage/cd_source.h"
#include "card/cdimage/image_input.h"
#include "core/log_whole.h"
#include "platform/files.h"

namespace {

struct set_source : cd_source {
    positioned_file *img = nullptr;
    positioned_file *sub = nullptr;
    std::vector<file_piece> pieces;
    ~set_source() override {
        positioned_file_close(img);
        positioned_file_close(sub);
    }

    bool read_part(positioned_file *f, uint64_t first, uint32_t count, uint8_t *base,
                   size_t stride, size_t size) {
        pieces.resize(count);
        for (uint32_t k = 0; k < count; k++) pieces[k] = {base + k * stride, size};
        return positioned_file_read_pieces_at(f, first * size, pieces.data(), count) == 0;
    }

    bool read(log_sink *log, uint32_t first, uint32_t count, const cd_sector_target &t) override {
        if (count == 0) return true;
        if ((t.main == nullptr ||
             read_part(img, first, count, t.main, t.main_stride, CD_SECTOR_SIZE)) &&
            (t.sub == nullptr ||
             read_part(sub, first, count, t.sub, t.sub_stride, SUBCHANNEL_BLOCK_SIZE)))
            return true;
        log_file_message(log, name.c_str(), ": image files ended early\n");
        return false;
    }
};

}  // namespace

cd_source *cd_source_open_set(log_sink *log, const char *prefix, uint32_t sector_count) {
    auto *s = new set_source;
    s->name = prefix;
    s->sector_count = sector_count;
    for (auto [file, suffix] : {std::pair{&s->img, ".img"}, std::pair{&s->sub, ".sub"}}) {
        std::string name = std::string(prefix) + suffix;
        if (positioned_file_open(name.c_str(), POSITIONED_READ_ONLY, file) != 0) {
            log_file_message(log, name.c_str(), ": cannot be opened\n");
            delete s;
            return nullptr;
        }
    }
    return s;
}

uint32_t cd_source_read_some(cd_source *s, log_sink *log, uint32_t first, uint32_t count,
                             const cd_sector_target &t, bool *failed) {
    *failed = false;
    if (first >= s->sector_count) return 0;
    count = std::min(count, s->sector_count - first);
    if (!s->read(log, first, count, t)) {
        *failed = true;
        return 0;
    }
    return count;
}
