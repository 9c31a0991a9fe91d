// Each block's index disc against the block's records (its table of
// contents, its order, the image list it shows), and "cdlist.txt" against
// the whole chain.
#include <cstring>
#include <memory>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/check/check_run.h"
#include "card/fat/fat_location.h"
#include "card/fat/fat_on_disk.h"
#include "card/imagelist/list_render.h"
#include "card/layout/card_listing.h"
#include "card/layout/disc_kind.h"
#include "card/write/index_toc.h"
#include "core/file_util.h"

namespace {

// A context as the card commands see the card: first block and partition
// set, the block read by managearea_read (names cut, order, config words).
std::unique_ptr<card_context> command_view(check_run &run, log_sink *log) {
    auto c = std::make_unique<card_context>();
    c->disk = run.disk;
    c->log = log;
    c->drive = run.drive;
    c->first_block = run.first;
    c->partition_size = run.size;
    return c;
}

void check_toc(check_run &run, const checked_block &b, std::vector<uint8_t> &head) {
    size_t frames = index_toc_count(head.data());
    for (size_t k = 0; k < frames; k++) {
        const uint8_t *q = &head[INDEX_TOC_AT + k * Q_FRAME_SIZE];
        if (!q_crc_ok(q))
            run.record(b, 0, "its table of contents entry %zu (point %02x) fails its check word",
                       k, q[2]);
    }
    const uint8_t *a1 = index_toc_find(head.data(), 0xA1);
    uint32_t records = static_cast<uint32_t>(b.records.size());
    uint32_t listed = a1 ? bcd_to_bin(a1[7]) : 0;
    if (a1 == nullptr || listed + 1 != records) {
        run.record(b, 0, "the index disc lists %u tracks, the block has %u images besides it",
                   listed, records - 1);
    }
    for (uint32_t i = 1; i < records; i++) {
        const checked_record &e = b.records[i];
        const uint8_t *t = index_toc_find(head.data(), bcd_from_bin(static_cast<uint8_t>(i)));
        if (t == nullptr) {
            if (a1 != nullptr && i <= listed) run.record(b, i, "the index disc has no track for it");
            continue;
        }
        uint32_t length = msf_to_frames(t + 3);
        bool rom = e.r.flags & DISC_FLAG_HUCARD;
        uint32_t expected = rom ? uint32_t{e.romconfig[1]} * 4 : INDEX_PREVIEW_FRAMES;
        if (e.named && length != expected)
            run.record(b, i, "its track on the index disc is %u frames long, a %s takes %u",
                       length, rom ? "ROM of its size" : "disc's preview", expected);
    }
}

void check_index_disc(check_run &run, const checked_block &b) {
    const checked_record &index = b.records[0];
    std::vector<uint8_t> head(INDEX_TOC_READ_BYTES);
    if (!disk_read_at(run.disk, index.first, head.data(), INDEX_TOC_READ_BYTES)) {
        run.record(b, 0, "its table of contents is unreadable");
        return;
    }
    check_toc(run, b, head);
    if (b.settings_read && !order_is_permutation(b.settings))
        run.record(b, 0, "its settings sector holds no order of the images");

    // The list as the block's records would draw it, against the one drawn.
    if (uint64_t{index.r.length} * DISK_SECTOR_SIZE < LIST_RAW_BYTES) {
        run.record(b, 0, "the index disc is too short for the image list");
        return;
    }
    auto c = command_view(run, log_null());
    if (!managearea_read(c.get(), b.sector)) return;  // reported with the records
    std::vector<uint8_t> raw(LIST_RAW_BYTES);
    if (!disk_read_at(run.disk, index.first, raw.data(), LIST_RAW_BYTES)) {
        run.record(b, 0, "its image list is unreadable");
        return;
    }
    std::vector<uint8_t> shown(LIST_IMAGE_SIZE), meant(LIST_IMAGE_SIZE);
    list_image_from_raw_sectors(raw.data(), shown.data());
    std::vector<char> texts;
    std::vector<uint8_t> settings;
    block_list_texts(c.get(), texts, settings);
    if (build_list_image(log_null(), texts.data(), CARD_DISC_SLOTS, LIST_SLOT_TEXT_SIZE,
                         settings.data(), CARD_SETTINGS_BYTES, meant.data()) &&
        shown != meant)
        run.record(b, 0, "the image list it shows does not match the block's images, names, "
                         "order and settings");
}

std::vector<std::string> text_lines(const std::string &text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// "cdlist.txt" as the partition holds it: FAT_OK, FAT_NO_FILE, FAT_IO_ERROR,
// or another status when there is no FAT12 partition to keep it in.
int read_listing(check_run &run, std::string *text) {
    fat_location where;
    if (!drive_fat_location(log_null(), run.drive, &where)) return FAT_IO_ERROR;
    if (where.access == FAT_ACCESS_DIRECTORY) {
        std::string path = where.directory + "/cdlist.txt";
        int64_t size = file_size(path.c_str());
        if (size < 0) return FAT_NO_FILE;
        text->resize(static_cast<size_t>(size));
        return file_read_whole(path.c_str(), text->data(), text->size()) == 0 ? FAT_OK
                                                                              : FAT_IO_ERROR;
    }
    if (where.access != FAT_ACCESS_SECTORS) return FAT_NOT_FAT;
    fat_on_disk on_disk{run.disk, where.first_sector};
    fat_sector_io io = fat_io_on_disk(&on_disk, where.sector_count);
    return fat12_read_root_file(&io, "cdlist.txt", text);
}

}  // namespace

void check_index_discs(check_run &run) {
    for (const checked_block &b : run.blocks)
        if (!b.records.empty() && b.records[0].inside) check_index_disc(run, b);
}

void check_listing(check_run &run) {
    // A chain that the commands would refuse has no listing to compare with.
    if (!run.chain_whole) return;
    collected_log expected;
    auto c = command_view(run, expected.sink);
    if (!list_card(c.get())) return;
    std::string held;
    switch (read_listing(run, &held)) {
        case FAT_OK:
            break;
        case FAT_IO_ERROR:
            run.card("cdlist.txt on partition #0 is unreadable");
            return;
        case FAT_NO_FILE:
            // A card never written to since its format has no listing yet.
            if (run.summary->images != 0) run.card("partition #0 holds no cdlist.txt");
            return;
        default:  // no FAT12 partition: reported with the partitions
            return;
    }
    if (held == expected.text) return;
    std::vector<std::string> says = text_lines(held), meant = text_lines(expected.text);
    size_t line = 0;
    while (line < says.size() && line < meant.size() && says[line] == meant[line]) line++;
    auto at = [line](const std::vector<std::string> &lines) {
        return line < lines.size() ? "\"" + lines[line] + "\"" : std::string("nothing");
    };
    run.card("cdlist.txt disagrees with the records at line %zu: it says %s, the records give %s",
             line + 1, at(says).c_str(), at(meant).c_str());
}
