#include "card/commands/dat_check.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "card/backup/stored_image.h"
#include "card/cdimage/archive_input.h"
#include "card/cdimage/archive_reader.h"
#include "card/cdimage/image_input.h"
#include "card/cdimage/rom_patch.h"
#include "card/commands/card_list.h"
#include "card/cdimage/track_digest.h"
#include "card/layout/card_args.h"
#include "card/layout/card_layout.h"
#include "card/layout/stored_disc_source.h"
#include "core/file_util.h"
#include "core/json_text.h"
#include "core/log_whole.h"

namespace {


// Far beyond any HuCard image: most likely the wrong file, not worth reading.
constexpr int64_t ROM_FILE_MAX = int64_t{64} << 20;

bool check_rom(log_sink *log, const dat_catalog &dat, const char *file, dat_check_report *out) {
    std::vector<uint8_t> image;
    if (!rom_bytes_read(log, file, ROM_FILE_MAX, &image)) return false;
    out->rom = true;
    out->rom_match = dat_find(dat.roms, image.data(), image.size());
    return true;
}

std::string hex(const uint8_t *bytes, size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < n; i++) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

}  // namespace

bool dat_check_load(log_sink *log, const char *path, bool discs, bool roms, dat_catalog *out) {
    std::string why;
    if (dat_catalog_load(path, out, &why)) {
        const size_t hucards = out->roms.size() - out->track_entries;
        if (discs && out->track_entries == 0)
            why = "lists no CD track entries (.bin files); a HuCard DAT cannot check discs";
        else if (roms && !discs && hucards == 0)
            why = "lists CD track entries only; it cannot check HuCard ROMs";
        else
            return true;
    }
    log_printf_whole(log, "DAT %s: %s\n", path, why.c_str());
    return false;
}

bool dat_check_names_disc(const char *file) {
    static const char *const disc_suffixes[] = {".cue", ".chd", ".ccd", ".cdm"};
    auto disc_name = [](const char *name) {
        for (const char *suffix : disc_suffixes)
            if (name_has_suffix(name, suffix)) return true;
        return false;
    };
    std::string archive, inner;
    if (archive_argument(file, &archive, &inner)) {
        // Told from the listing, nothing unpacked: a sheet or an image set's
        // description (the member named, or one under the prefix named).
        if (disc_name(inner.c_str())) return true;
        std::vector<archive_member> members;
        if (!archive_list(log_null(), archive, &members)) return false;
        for (const archive_member &m : members) {
            const bool under_prefix = inner.empty() || m.name.rfind(inner + ".", 0) == 0;
            if (under_prefix && disc_name(m.name.c_str())) return true;
        }
        return false;
    }
    if (disc_name(file)) return true;
    // No file by that name, but an image set or a sheet under it as a prefix.
    return file_size(file) < 0 && image_input_named(file);
}

bool dat_check_source(log_sink *log, const dat_catalog &dat, const disc_description *d,
                      cd_source *source, dat_check_report *out) {
    std::vector<dump_track> tracks;
    if (!dump_tracks_list(log, d, source, &tracks)) return false;
    out->tracks.clear();
    for (const dump_track &t : tracks) {
        track_digest digest{};
        if (!dump_track_digest(log, source, t, &digest)) return false;
        disc_track_sum sum{t.number, t.audio, digest.size, digest.crc, {}};
        memcpy(sum.sha1, digest.sha1, sizeof sum.sha1);
        out->tracks.push_back(sum);
    }
    out->disc = dat_check_disc(dat, out->tracks);
    return true;
}

bool dat_check_file(log_sink *log, const dat_catalog &dat, const char *file, dat_check_report *out) {
    *out = dat_check_report{};
    out->input = file;
    if (!dat_check_names_disc(file)) return check_rom(log, dat, file, out);
    std::string name = file;
    // An image set is named by its prefix.
    if (name_has_suffix(file, ".ccd") || name_has_suffix(file, ".cdm")) name.resize(name.size() - 4);
    image_input in{};
    if (!image_input_read(log, name.c_str(), &in)) return false;
    bool ok = in.kind == IMAGE_CD && dat_check_source(log, dat, in.description, in.source, out);
    if (in.kind != IMAGE_CD) log_file_message(log, file, ": not a CD image\n");
    image_input_free(&in);
    return ok;
}

bool dat_check_stored(card_context *c, const dat_catalog &dat, uint32_t e, dat_check_report *out) {
    *out = dat_check_report{};
    if (disc_is_rom(c->entries[e])) {
        std::vector<uint8_t> rom;
        if (!stored_rom_read(c, e, &rom)) return false;
        out->rom = true;
        out->rom_match = dat_find(dat.roms, rom.data(), rom.size());
        return true;
    }
    stored_disc_input disc;
    return stored_disc_open(c, e, &disc) &&
           dat_check_source(c->log, dat, disc.description.get(), disc.source.get(), out);
}

namespace {

bool check_record(card_context *c, const dat_catalog &dat, const image_number &n,
                  std::vector<dat_check_report> *out) {
    dat_check_report r;
    if (!managearea_select(c, n.block) || !dat_check_stored(c, dat, n.record, &r)) return false;
    r.input = "#" + std::to_string(n.value());
    r.image_number = n.value();
    out->push_back(std::move(r));
    return true;
}

bool check_on_card(card_context *c, const dat_catalog &dat, const std::vector<std::string> &which,
                   std::vector<dat_check_report> *out) {
    for (const std::string &word : which) {
        if (word == "all") {
            for (uint32_t b = 0; b < c->managearea_num; b++) {
                if (!managearea_select(c, b)) return false;
                const uint32_t amount = c->disc_amount;
                std::vector<uint8_t> order(c->order, c->order + amount);
                for (uint8_t record : order)
                    if (record != 0 && !check_record(c, dat, {b, record}, out)) return false;
            }
            continue;
        }
        image_number n{};
        const char *text = word.c_str() + (word[0] == '#' ? 1 : 0);
        if (!card_arg_image(c, text, "manage area block not found", &n) || !managearea_select(c, n.block))
            return false;
        if (n.record >= c->disc_amount) {
            log_printf(c->log, "image#%u not found\n", n.value());
            return false;
        }
        if (!check_record(c, dat, n, out)) return false;
    }
    return true;
}

}  // namespace

bool dat_check_card(log_sink *log, const char *drive, const dat_catalog &dat,
                    const std::vector<std::string> &which, std::vector<dat_check_report> *out) {
    // About 53 KiB: kept off the stack.
    auto c = std::make_unique<card_context>();
    c->log = log;
    c->drive = drive;
    if (!card_open_to_read(c.get())) return false;
    const bool ok = check_on_card(c.get(), dat, which, out);
    disk_close(c->disk);
    return ok;
}

bool dat_check_list(log_sink *log, const char *drive, const dat_catalog &dat, card_list *rows) {
    std::vector<dat_check_report> reports;
    if (!dat_check_card(log, drive, dat, {"all"}, &reports)) return false;
    for (card_list_row &row : rows->rows)
        for (const dat_check_report &r : reports)
            if (r.image_number == row.image_number) row.dat = dat_check_verdict(r);
    return true;
}

bool dat_check_patch_origin(log_sink *log, const dat_catalog &dat, const char *file,
                            const char *patch, std::string *line) {
    std::vector<uint8_t> image;
    if (!rom_bytes_read(log, file, ROM_FILE_MAX, &image)) return false;
    return rom_patch_origin(
        patch, image.data(), image.size(),
        [&dat](uint32_t crc, uint64_t size) -> const char * {
            const std::vector<const dat_rom *> found = dat_lookup(dat, size, crc);
            return found.empty() ? nullptr : found[0]->title.c_str();
        },
        line);
}

std::string dat_check_title(const dat_check_report &r) {
    if (r.rom) return r.rom_match.rom != nullptr ? r.rom_match.rom->title : "";
    return r.disc.game != nullptr ? r.disc.game->title : "";
}

std::string dat_check_verdict(const dat_check_report &r) {
    if (!r.rom) return disc_verdict_name(r.disc.verdict);
    if (r.rom_match.rom == nullptr) return "unknown";
    return r.rom_match.rom->bad_dump ? "bad dump" : "verified";
}

bool dat_check_verified(const dat_check_report &r) { return dat_check_verdict(r) == "verified"; }

std::string dat_check_text(const dat_check_report &r) {
    if (r.rom) return r.input + ": " + dat_match_text(r.rom_match) + "\n";
    const std::string title = dat_check_title(r);
    std::string text = r.input + ": " + (title.empty() ? "not in the DAT" : title) + "\n";
    for (size_t k = 0; k < r.tracks.size(); k++)
        text += "  " + track_result_text(r.tracks[k], r.disc.tracks[k]) + "\n";
    return text + "  " + disc_result_text(r.tracks, r.disc) + "\n";
}

std::string dat_check_json(const dat_check_report &r) {
    json_object o;
    o.text("input", r.input).text("kind", r.rom ? "rom" : "disc").text("result", dat_check_verdict(r));
    o.text("title", dat_check_title(r));
    if (r.rom) return o.line();
    std::vector<json_object> tracks;
    for (size_t k = 0; k < r.tracks.size(); k++) {
        const disc_track_sum &t = r.tracks[k];
        const track_result &tr = r.disc.tracks[k];
        char crc[9];
        snprintf(crc, sizeof crc, "%08x", t.crc);
        json_object j;
        j.number("track", t.number).boolean("audio", t.audio).number("size", t.size).text("crc", crc);
        j.text("sha1", hex(t.sha1, sizeof t.sha1)).text("result", track_verdict_name(tr.verdict));
        if (tr.entry != nullptr) j.text("entry", tr.entry->name);
        tracks.push_back(j);
    }
    o.objects("tracks", tracks);
    o.boolean("audio_offset", r.disc.audio_offset);
    return o.line();
}
