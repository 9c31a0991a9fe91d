#include "card/write/image_add.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "card/cdimage/bcd.h"
#include "card/cdimage/rom_patch.h"
#include "card/layout/disc_kind.h"
#include "card/write/disc_area_write.h"
#include "card/layout/card_layout.h"
#include "card/layout/card_args.h"
#include "card/layout/card_io.h"
#include "card/layout/chain_walk.h"
#include "card/write/index_disc.h"
#include "card/write/rom_classify.h"
#include "card/layout/stored_sector.h"
#include "core/command_options.h"
#include "core/file_util.h"
#include "core/log_whole.h"

namespace {

constexpr uint32_t PREVIEW_TRACK_BYTES = 918000;     // 375 stored sectors
constexpr uint32_t INDEX_DISC_BASE_BYTES = 2466800;  // pregap, list and lead-out
constexpr uint32_t CD_INDEX_SPACE = 1793;            // disk sectors of a preview track
constexpr uint32_t NO_LENGTH_TRACK_BYTES = 920448;   // a track whose entry records no length
constexpr uint32_t ROM_AREA_SECTORS = 2;

uint32_t round_to_sectors(uint64_t bytes) {
    return static_cast<uint32_t>((bytes + DISK_SECTOR_SIZE - 1) / DISK_SECTOR_SIZE);
}

struct input_guard {
    image_input in{};
    ~input_guard() { image_input_free(&in); }
};

// Disk sectors of the index disc in use up to the point that record e takes
// over: its own track when it exists, else the lead-out.
bool index_space_used(card_context *c, uint32_t e, uint32_t *used) {
    if (c->disc_amount < 2) {
        *used = 1;
        return true;
    }
    uint8_t head[INDEX_TOC_READ_BYTES];
    if (!card_read_at(c, c->block + c->entries[0].offset, head, sizeof head)) return false;
    bool leadout = e == c->disc_amount;
    const uint8_t *q =
        index_toc_find(head, leadout ? TOC_POINT_A2 : bcd_from_bin(static_cast<uint8_t>(e)));
    if (q == nullptr) {
        log_line(c->log, "update area is not found");
        return false;
    }
    uint64_t p = msf_to_frames(&q[7]);
    uint64_t length = msf_to_frames(&q[3]);
    uint64_t end = leadout       ? (p + 1) * STORED_SECTOR_SIZE
                   : length != 0 ? (p + length + 1) * STORED_SECTOR_SIZE
                                 : p * STORED_SECTOR_SIZE + NO_LENGTH_TRACK_BYTES;
    *used = round_to_sectors(end);
    return true;
}

uint32_t index_space_needed(const image_input &in) {
    if (in.kind == IMAGE_CD) return CD_INDEX_SPACE;
    return round_to_sectors(uint64_t{in.rom_size / 2048} * STORED_SECTOR_SIZE);
}

// Finds block and record for the image: 1 with c on the block and *e set
// (0: the block is empty), 0 with a message. *append: the block is full.
int choose_target(card_context *c, const char *const *v, const add_request &r, uint32_t *block,
                  uint32_t *e, bool *append) {
    // The last block of the chain, unless a number says otherwise.
    if (!chain_walk(c, CHAIN_WALK_ALL, [block](card_context *, uint32_t k) {
            *block = k;
            return true;
        }))
        return 0;
    bool placed = false;
    if (r.number_given) {
        uint64_t value;
        image_number n;
        if (!card_arg_decimal(c->log, v[r.number_index], &value)) return 0;
        if (value % CARD_DISC_SLOTS == 0) {
            log_line(c->log, "IMAGE INDEX is unremovable");
            return 0;
        }
        if (!image_in_chain(c, value, "manage area block not found", &n)) return 0;
        *block = n.block;
        if (!managearea_select(c, *block)) return 0;
        *e = n.record;
        if (r.overwrite && *e >= c->disc_amount) {
            log_line(c->log, "unexpected number: imageindex > d->disc_amount");
            return 0;
        }
        placed = *e <= c->disc_amount && *e < c->disc_manage_max;
    }
    *append = false;
    if (!placed) {
        *e = c->disc_amount;
        *append = c->disc_amount >= c->disc_manage_max;
    }
    return 1;
}

// The next block; refused for a block inside the chain, whose successor
// would be overwritten before the add is complete.
bool append_block(card_context *c, uint32_t *block) {
    if (c->managearea_lba_next != 0) {
        log_printf(c->log, "image block %u is full; add without an image number\n", *block);
        return false;
    }
    if (!managearea_append(c)) {
        log_line(c->log, "disc management area is over capacity");
        return false;
    }
    ++*block;
    return true;
}

// The patch named by --patch, applied before anything is written.
bool apply_patch(card_context *c, image_input *in) {
    const char *patch =
        c->arguments != nullptr ? command_option_value(*c->arguments, CARD_PATCH) : nullptr;
    if (patch == nullptr) return true;
    if (in->kind != IMAGE_ROM) {
        log_line(c->log, "--patch applies to HuCard ROMs only");
        return false;
    }
    if (!rom_patch_file(c->log, patch, &in->rom)) return false;
    if (in->rom.empty() || in->rom.size() % ROM_SIZE_UNIT != 0) {
        log_line(c->log, "the patched ROM is not a whole number of 8 KiB banks; nothing written");
        return false;
    }
    in->rom_size = static_cast<uint32_t>(in->rom.size());
    return true;
}

bool write_rom_area(card_context *c, const std::vector<uint8_t> &rom, disc_entry *d) {
    rom_class k = rom_classify(c->log, rom.data(), static_cast<uint32_t>(rom.size()));
    d->flags = k.flags;
    memcpy(d->romconfig, k.romconfig, 2);
    d->config = default_configuration_word(d->flags, d->romconfig[0], d->romconfig[1]);
    uint8_t sector[DISK_SECTOR_SIZE] = {k.romconfig[0], k.romconfig[1]};
    return card_write_at(c, c->block + d->offset, sector, sizeof sector, "write error");
}

bool write_cd_area(card_context *c, const image_input &in, const add_request &r,
                   disc_entry *d) {
    if (!cd_image_write(c->disk, c->block + d->offset, in.description, c->log, in.source,
                        stored_subchannel_transform(c->version), r.strict))
        return false;
    d->flags = 0;
    d->config = default_configuration_word(0, 0, 0);
    description_apply_format(in.description, &d->config);
    return true;
}

bool verify_skipped(const card_context *c) {
    return c->arguments != nullptr && command_option_given(*c->arguments, CARD_NO_VERIFY);
}

// Reads back everything written since the last check; false with a message
// naming the first sector that differs and the image being written.
bool verify_written(card_context *c, uint32_t block, uint32_t e, const char *name) {
    if (verify_skipped(c)) return true;
    uint64_t sector = 0;
    disk_verify_result r = disk_journal_verify(c->disk, &sector);
    if (r == DISK_VERIFY_SAME || r == DISK_VERIFY_STOPPED) return r == DISK_VERIFY_SAME;
    log_printf(c->log, "verify failed: sector %llu %s, writing image#%u-%02u ",
               static_cast<unsigned long long>(sector),
               r == DISK_VERIFY_DIFFERENT ? "differs from what was written" : "cannot be read back",
               block, e);
    log_write(c->log, name);
    log_write(c->log, "\n");
    return false;
}

struct add_target {
    uint32_t block = 0, record = 0;
    bool append = false;  // the block is full: the image opens the next one
};

// Adds the opened input at t (moved on to the next block when the chosen
// one is full): t ends on the block and record the image went to.
int add_input(card_context *c, image_input &in, const char *name,
              const add_request &r, add_target &t) {
    uint32_t &block = t.block, &e = t.record;
    bool &append = t.append;
    in.description->disk = c->disk;
    in.description->transform = stored_subchannel_transform(c->version);

    // A block whose index disc cannot take the new track is full as well.
    if (!append && c->disc_amount > 0 && !r.overwrite) {
        uint32_t used = 0;
        if (!index_space_used(c, e, &used)) return VMK_FAILED;
        uint32_t length = c->entries[0].length;
        append = length != 0 && uint64_t{used} + index_space_needed(in) >= length;
    }
    if (append) {
        if (!append_block(c, &block)) return VMK_FAILED;
        e = 0;
    }

    bool fresh = e == 0;
    char index_name[CARD_NAME_SIZE];
    if (fresh) {
        disc_entry &index = c->entries[0];
        index.flags = 0;
        index.offset = 2;
        index.length = index_disc_sectors(c->disc_manage_max);
        index.config = default_configuration_word(0, 0, 0);
        snprintf(index_name, sizeof index_name, "IMAGE INDEX for %u-xx", block);
        entry_name_set(&index, index_name);
        e = 1;
    }
    const uint32_t index_area = c->block + c->entries[0].offset;
    const uint32_t index_frames = static_cast<uint32_t>(uint64_t{c->entries[0].length} *
                                                        DISK_SECTOR_SIZE / STORED_SECTOR_SIZE);
    const subchannel_transform transform = stored_subchannel_transform(c->version);
    auto plan = std::make_unique<index_track_plan>();
    // The index disc is the disk's relative point from here on: the image's
    // own area is written at its absolute start.
    disk_set_relativepoint(c->disk, index_area);
    if (!index_track_prepare(c->log, c->disk, in, e - 1, fresh, r.overwrite, transform,
                             index_frames, plan.get()))
        return VMK_FAILED;

    disc_entry &d = c->entries[e];
    const uint32_t offset = c->entries[e - 1].offset + c->entries[e - 1].length;
    const uint64_t length =
        in.kind == IMAGE_ROM ? ROM_AREA_SECTORS : cd_area_sectors(in.sector_count);
    if (r.overwrite) {
        // Areas follow each other without gaps (and the next block follows
        // the last): a replaced area keeps its size, a ROM's included.
        if (d.length != length) {
            log_line(c->log, "CD image capacity is not match on the memory card");
            return VMK_FAILED;
        }
    } else if (uint64_t{c->block - c->first_block} + offset + length >= c->partition_size ||
               length >= CARD_DISC_LENGTH_LIMIT) {
        log_line(c->log, "the capacity of memory card would be over!");
        return VMK_FAILED;
    }
    d.offset = offset;
    d.length = static_cast<uint32_t>(length);
    entry_name_set(&d, name);
    log_printf(c->log, "image#%u-%02u\n", block, e);

    if (r.overwrite) {
        // The old image is gone once its area is rewritten: a damaged
        // compressed image must be found out before.
        if (in.kind == IMAGE_CD && !in.source->check_all_data(c->log)) return VMK_FAILED;
        log_printf(c->log,
                   "image#%u-%02u is rewritten in place: if this is cut short, write it again\n",
                   block, e);
    } else if (!managearea_cut(c, e)) {
        // The records from e on and the blocks after this one leave the card
        // before their areas are overwritten.
        return VMK_FAILED;
    }
    bool written = in.kind == IMAGE_ROM ? write_rom_area(c, in.rom, &d) : write_cd_area(c, in, r, &d);
    if (!written) return VMK_FAILED;
    if (!index_track_commit(c->log, c->disk, in.rom, *plan)) return VMK_FAILED;
    if (fresh) {
        if (!name_write(c, &c->entries[0], index_name)) return VMK_FAILED;
        for (uint32_t p = 0; p < CARD_DISC_SLOTS; p++) c->order[p] = static_cast<uint8_t>(p);
    }
    if (!name_write(c, &d, d.name)) return VMK_FAILED;

    if (r.overwrite) {
        // The record keeps its place: amount and chain stay as they are.
        if (in.kind == IMAGE_CD || plan->result == 2)
            log_line(c->log, "same capacity; disc amount is not changed.");
    } else {
        c->managearea_lba_next = 0;
        c->disc_amount = e + 1;
        for (uint32_t k = e + 1; k < CARD_DISC_SLOTS; k++) c->entries[k] = disc_entry{};
    }
    // The image's areas are checked before the header lists it, the header
    // and listing after they are written.
    if (!verify_written(c, block, e, d.name)) return VMK_FAILED;
    if (!order_write(c)) return VMK_FAILED;
    return vmk_status(verify_written(c, block, e, d.name));
}

}  // namespace

uint32_t index_disc_sectors(uint32_t disc_manage_max) {
    return round_to_sectors(uint64_t{disc_manage_max} * PREVIEW_TRACK_BYTES +
                            INDEX_DISC_BASE_BYTES);
}

int image_add(card_context *c, int argc, const char *const *v, const add_request &r) {
    if (argc <= r.name_index || (r.number_given && argc <= r.number_index)) return VMK_FAILED;
    const char *prefix = v[0];
    add_target t;
    if (!choose_target(c, v, r, &t.block, &t.record, &t.append)) return VMK_FAILED;
    if (!verify_skipped(c)) disk_journal_start(c->disk);

    input_guard input;
    image_input &in = input.in;
    if (!image_input_read(c->log, prefix, &in) || !apply_patch(c, &in)) return VMK_FAILED;
    const char *name = r.name != nullptr ? r.name : v[r.name_index];
    if (r.name == nullptr && r.name_index == 0) {
        if (const char *display = description_display_name(in.description)) {
            name = display;
            log_write(c->log, "name: ");
            log_write(c->log, name);
            log_write(c->log, "\n");
        }
    }
    // A ROM's area and its index track are made from the bytes read once.
    return add_input(c, in, name, r, t);
}

int image_add_input(card_context *c, image_input &in, const char *name, bool strict,
                    image_number *placed) {
    add_request r{0, 0, false, strict, false};
    add_target t;
    if (!choose_target(c, nullptr, r, &t.block, &t.record, &t.append)) return VMK_FAILED;
    if (!verify_skipped(c)) disk_journal_start(c->disk);
    int status = add_input(c, in, name, r, t);
    if (status == VMK_OK) *placed = image_number{t.block, t.record};
    return status;
}
