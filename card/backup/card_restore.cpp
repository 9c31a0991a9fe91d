#include "card/backup/card_restore.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

#include "card/backup/backup_archive_read.h"
#include "card/backup/card_inventory.h"
#include "card/backup/image_place.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/subchannel_swap.h"
#include "card/layout/bkram_area.h"
#include "card/layout/stored_disc_source.h"
#include "card/write/index_disc.h"
#include "card/write/index_toc.h"
#include "core/log_whole.h"
#include "core/sha1.h"

namespace {

constexpr size_t CHUNK = 1 << 20;

struct member_seen {
    uint64_t size;
    std::string sha1;
};

bool refuse(log_sink *log, const std::string &file, const std::string &why) {
    log_printf_whole(log, "%s: refused: %s\n", file.c_str(), why.c_str());
    return false;
}

// Reads the current member whole into *bytes (at most limit bytes).
bool read_member(backup_reader *r, uint64_t size, std::vector<uint8_t> *bytes) {
    bytes->resize(size);
    for (uint64_t at = 0; at < size;) {
        int64_t n = backup_member_read(r, bytes->data() + at, size - at);
        if (n <= 0) return false;
        at += static_cast<uint64_t>(n);
    }
    return true;
}

std::vector<uint8_t> from_hex(const std::string &t) {
    std::vector<uint8_t> out;
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (size_t i = 0; i + 1 < t.size(); i += 2)
        out.push_back(static_cast<uint8_t>(digit(t[i]) << 4 | digit(t[i + 1])));
    return out;
}

// The disc's TOC as the add needs it: the lead-out as third entry.
description_ptr toc_of(log_sink *log, const manifest_image &g) {
    if (g.toc.empty() || g.toc.size() % (2 * Q_FRAME_SIZE) != 0 ||
        g.toc.find_first_not_of("0123456789abcdef") != std::string::npos)
        return nullptr;
    std::vector<uint8_t> frames = from_hex(g.toc);
    frames.push_back(0x55);  // ends the frames
    description_ptr d(toc_from_frames(log_null(), frames.data(), frames.size()));
    if (d == nullptr || d->tocentries < 3 || d->entries[2].point != TOC_POINT_A2) return nullptr;
    d->log = log;
    return d;
}

// Main bytes from one reader, the subchannel from another over the same
// file, both in order; the preview's sectors kept as they pass, since the
// index disc's track is made from them after the area is written.
struct archive_disc_source : cd_source {
    backup_reader *main_reader, *sub_reader;
    uint32_t next = 0;
    int64_t preview_first = -1;
    std::vector<uint8_t> preview_main, preview_sub;
    std::vector<uint8_t> main, sub;

    bool take(log_sink *log, backup_reader *r, uint8_t *out, size_t bytes) {
        for (size_t at = 0; at < bytes;) {
            int64_t n = backup_member_read(r, out + at, bytes - at);
            if (n <= 0) {
                if (n == 0) log_printf_whole(log, "%s: a member ends early\n", name.c_str());
                return false;
            }
            at += static_cast<size_t>(n);
        }
        return true;
    }

    bool read(log_sink *log, uint32_t first, uint32_t count, const cd_sector_target &t) override {
        const uint64_t p = static_cast<uint64_t>(preview_first);
        if (preview_first >= 0 && first != next && first >= p &&
            uint64_t{first} + count <= p + INDEX_PREVIEW_FRAMES && first + count <= next) {
            for (uint32_t k = 0; k < count; k++) {
                size_t i = first + k - p;
                if (t.main) memcpy(t.main + k * t.main_stride, &preview_main[i * CD_SECTOR_SIZE], CD_SECTOR_SIZE);
                if (t.sub) memcpy(t.sub + k * t.sub_stride, &preview_sub[i * SUBCHANNEL_BYTES], SUBCHANNEL_BYTES);
            }
            return true;
        }
        if (first != next || count > sector_count - first) {
            log_printf_whole(log, "%s: the archive is read in order only\n", name.c_str());
            return false;
        }
        main.resize(size_t{count} * CD_SECTOR_SIZE);
        sub.resize(size_t{count} * SUBCHANNEL_BYTES);
        if (!take(log, main_reader, main.data(), main.size()) ||
            !take(log, sub_reader, sub.data(), sub.size()))
            return false;
        for (uint32_t k = 0; k < count; k++) {
            const uint8_t *m = &main[size_t{k} * CD_SECTOR_SIZE];
            const uint8_t *s = &sub[size_t{k} * SUBCHANNEL_BYTES];
            if (t.main) memcpy(t.main + k * t.main_stride, m, CD_SECTOR_SIZE);
            if (t.sub) memcpy(t.sub + k * t.sub_stride, s, SUBCHANNEL_BYTES);
            uint64_t at = uint64_t{first} + k;
            if (preview_first >= 0 && at >= p && at < p + INDEX_PREVIEW_FRAMES) {
                size_t i = at - p;
                memcpy(&preview_main[i * CD_SECTOR_SIZE], m, CD_SECTOR_SIZE);
                memcpy(&preview_sub[i * SUBCHANNEL_BYTES], s, SUBCHANNEL_BYTES);
            }
        }
        next += count;
        return true;
    }
};

// Moves r on to the member named name, skipping what lies before it.
bool seek_member(log_sink *log, backup_reader *r, const std::string &name) {
    backup_member m;
    for (;;) {
        backup_next n = backup_member_next(r, &m);
        if (n != BACKUP_MEMBER) {
            if (n == BACKUP_END) log_printf_whole(log, "%s: not found in the archive\n", name.c_str());
            return false;
        }
        if (m.name == name) return true;
    }
}

bool restore_disc(card_context *c, const restore_plan &plan, const manifest_image &g,
                  backup_reader *main_reader, backup_reader *sub_reader, image_number *placed) {
    description_ptr d = toc_of(c->log, g);
    if (d == nullptr || !seek_member(c->log, sub_reader, g.stem + ".sub")) return false;
    archive_disc_source source;
    source.name = g.stem;
    source.sector_count = g.sectors;
    source.main_reader = main_reader;
    source.sub_reader = sub_reader;
    if (!preview_source(log_null(), d.get(), &source.preview_first)) source.preview_first = -1;
    if (source.preview_first >= 0) {
        source.preview_main.resize(size_t{INDEX_PREVIEW_FRAMES} * CD_SECTOR_SIZE);
        source.preview_sub.resize(size_t{INDEX_PREVIEW_FRAMES} * SUBCHANNEL_BYTES);
    }
    image_input in{IMAGE_CD, 0, g.sectors, d.get(), &source};
    auto sav = plan.saves.find(g.number);
    return image_place(c, in, g, sav == plan.saves.end() ? nullptr : &sav->second, placed);
}

}  // namespace

bool restore_check(log_sink *log, const std::string &file, const std::vector<uint32_t> &only,
                   restore_plan *plan) {
    plan->file = file;
    backup_reader_ptr r = backup_reader_open(log, file);
    if (r == nullptr) return false;
    std::map<std::string, member_seen> members;
    std::string manifest;
    std::vector<uint8_t> chunk(CHUNK);
    std::map<std::string, std::vector<uint8_t>> small;  // the .sav members
    backup_member m;
    for (;;) {
        if (log_stop_point(log)) return false;
        backup_next n = backup_member_next(r.get(), &m);
        if (n == BACKUP_BROKEN) return false;
        if (n == BACKUP_END) break;
        if (members.count(m.name) != 0)
            return refuse(log, file, "the member \"" + m.name + "\" appears twice");
        if (m.name == MANIFEST_NAME || (m.size == BKRAM_AREA_BYTES && m.name.rfind("saves/", 0) == 0)) {
            if (m.size > MANIFEST_BYTES_MAX) return refuse(log, file, "the manifest is too large");
            std::vector<uint8_t> bytes;
            if (!read_member(r.get(), m.size, &bytes)) return false;
            members[m.name] = {m.size, sha1_hex(bytes.data(), bytes.size())};
            if (m.name == MANIFEST_NAME) manifest.assign(bytes.begin(), bytes.end());
            else small[m.name] = std::move(bytes);
            continue;
        }
        sha1_context sha;
        sha1_init(&sha);
        uint64_t seen = 0;
        for (;;) {
            int64_t got = backup_member_read(r.get(), chunk.data(), chunk.size());
            if (got < 0) return false;
            if (got == 0) break;
            sha1_update(&sha, chunk.data(), static_cast<size_t>(got));
            seen += static_cast<uint64_t>(got);
        }
        if (seen != m.size) return refuse(log, file, "the member \"" + m.name + "\" is cut short");
        uint8_t digest[20];
        sha1_final(&sha, digest);
        members[m.name] = {m.size, sha1_digest_hex(digest)};
    }
    if (members.count(MANIFEST_NAME) == 0) return refuse(log, file, "it holds no manifest");
    std::string why;
    backup_manifest &mf = plan->manifest;
    if (!manifest_parse(manifest, &mf, &why)) return refuse(log, file, why);
    std::set<std::string> listed;
    for (const manifest_file &f : mf.files) {
        auto seen = members.find(f.name);
        if (seen == members.end())
            return refuse(log, file, "the member \"" + f.name + "\" is missing");
        if (seen->second.size != f.size || seen->second.sha1 != f.sha1)
            return refuse(log, file, "the member \"" + f.name + "\" does not match its SHA-1");
        listed.insert(f.name);
    }
    for (const auto &[name, seen] : members)
        if (name != MANIFEST_NAME && listed.count(name) == 0)
            return refuse(log, file, "the member \"" + name + "\" is not in the manifest");
    for (const manifest_image &g : mf.images) {
        if (!g.rom && toc_of(log, g) == nullptr)
            return refuse(log, file, "image " + std::to_string(g.number) + ": its TOC is damaged");
        if (!only.empty() && std::find(only.begin(), only.end(), g.number) == only.end()) continue;
        plan->chosen.push_back(&g);
        if (!g.sav.empty()) plan->saves[g.number] = small[g.sav];
    }
    for (uint32_t n : only)
        if (std::none_of(mf.images.begin(), mf.images.end(),
                         [n](const manifest_image &g) { return g.number == n; }))
            return refuse(log, file, "it holds no image " + std::to_string(n));
    return true;
}

int restore_resume_point(card_context *c, const std::vector<const manifest_image *> &images) {
    card_inventory held;
    if (!card_inventory_read(c, &held)) return -1;
    const std::vector<manifest_image> &have = held.manifest.images;
    if (have.size() > images.size()) return -1;
    for (size_t i = 0; i < have.size(); i++) {
        const manifest_image &a = have[i], &b = *images[i];
        if (a.rom != b.rom || a.name != b.name || a.sectors != b.sectors ||
            a.rom_bytes != b.rom_bytes || a.toc != b.toc)
            return -1;
    }
    return static_cast<int>(have.size());
}

bool restore_write(card_context *c, const restore_plan &plan, size_t skip) {
    backup_reader_ptr main_reader = backup_reader_open(c->log, plan.file);
    backup_reader_ptr sub_reader = backup_reader_open(c->log, plan.file);
    if (main_reader == nullptr || sub_reader == nullptr) return false;
    std::map<uint32_t, uint32_t> placed;
    // Images already on the card from an earlier, cut-short run.
    card_inventory held;
    if (skip > 0 && !card_inventory_read(c, &held)) return false;
    for (size_t i = 0; i < skip; i++) {
        // A run cut short between an add and its settings leaves the image
        // listed with the add's defaults: they are set again.
        const manifest_image &g = *plan.chosen[i];
        image_number at{held.manifest.images[i].number / CARD_DISC_SLOTS,
                        held.manifest.images[i].number % CARD_DISC_SLOTS};
        auto sav = plan.saves.find(g.number);
        if (!managearea_select(c, at.block) ||
            !image_settle(c, at.record, g, sav == plan.saves.end() ? nullptr : &sav->second))
            return false;
        placed[g.number] = at.value();
    }

    std::map<std::string, const manifest_image *> wanted;
    for (size_t i = skip; i < plan.chosen.size(); i++) {
        const manifest_image *g = plan.chosen[i];
        wanted[g->rom ? g->stem + ".pce" : g->stem + ".img"] = g;
    }
    backup_member m;
    size_t done = 0;
    while (done < wanted.size()) {
        backup_next n = backup_member_next(main_reader.get(), &m);
        if (n != BACKUP_MEMBER) {
            if (n == BACKUP_END) log_line(c->log, "the archive changed since it was checked");
            return false;
        }
        auto w = wanted.find(m.name);
        if (w == wanted.end()) continue;
        const manifest_image &g = *w->second;
        image_number at{};
        bool ok;
        if (g.rom) {
            description_ptr empty(description_read(c->log, nullptr, false));
            image_input in{IMAGE_ROM, g.rom_bytes, 0, empty.get(), nullptr};
            auto sav = plan.saves.find(g.number);
            ok = read_member(main_reader.get(), m.size, &in.rom) &&
                 image_place(c, in, g, sav == plan.saves.end() ? nullptr : &sav->second, &at);
        } else {
            ok = restore_disc(c, plan, g, main_reader.get(), sub_reader.get(), &at);
        }
        if (!ok) return false;
        placed[g.number] = at.value();
        done++;
    }
    return order_place(c, plan.manifest.order, placed);
}
