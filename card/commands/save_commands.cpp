#include "core/status.h"
#include "card/commands/save_commands.h"

#include <cstdio>
#include <vector>

#include "card/commands/card_commands.h"
#include "card/commands/card_dispatch.h"
#include "card/layout/bkram_area.h"
#include "card/layout/card_layout.h"
#include "core/file_util.h"
#include "core/json_text.h"
#include "core/log_whole.h"

namespace {

void fail(log_sink *log, const std::string &text) { log_line(log, text.c_str()); }

int load_listed(log_sink *log, const save_place &place, save_file *file, save_listing *listing) {
    if (save_place_load(log, place, file) != VMK_OK) return VMK_FAILED;
    if (save_list(file->kind, file->image, listing) == VMK_OK) return VMK_OK;
    fail(log, save_place_text(place) + ": " + listing->fault);
    return VMK_FAILED;
}

}  // namespace

save_place save_place_parse(const std::string &word) {
    save_place p;
    size_t last = word.rfind(':');
    if (word.rfind("card:", 0) == 0 && last > 5) {
        p.card = true;
        p.drive = word.substr(5, last - 5);
        p.image = word.substr(last + 1);
        if (!p.image.empty() && p.image[0] == '#') p.image.erase(0, 1);
    } else {
        p.file = word;
    }
    return p;
}

std::string save_place_text(const save_place &place) {
    return place.card ? "card " + place.drive + " #" + place.image : place.file;
}

int save_place_load(log_sink *log, const save_place &place, save_file *out) {
    std::string why;
    if (!place.card) {
        if (save_file_load(place.file.c_str(), out, &why) == VMK_OK) return VMK_OK;
        fail(log, why);
        return VMK_FAILED;
    }
    std::vector<uint8_t> area(BKRAM_AREA_BYTES);
    if (card_run_on(log, place.drive.c_str(), card_open_to_read, [&](card_context *c) {
            return card_area_read(c, place.image.c_str(), area.data());
        }) != VMK_OK)
        return VMK_FAILED;
    if (save_file_decode(area, out, &why) == VMK_OK && out->kind == SAVE_BACKUP_RAM) return VMK_OK;
    fail(log, save_place_text(place) + ": the area could not be read as backup RAM");
    return VMK_FAILED;
}

int save_place_store(log_sink *log, const save_place &place, const save_file &file) {
    std::string why;
    if (!place.card) {
        if (save_file_store(place.file.c_str(), file, &why) == VMK_OK) return VMK_OK;
        fail(log, why);
        return VMK_FAILED;
    }
    // A card area holds the raw image only.
    if (file.kind != SAVE_BACKUP_RAM || file.image.size() != BKRAM_AREA_BYTES) {
        fail(log, save_place_text(place) + ": cannot be written");
        return VMK_FAILED;
    }
    return card_run_on(log, place.drive.c_str(), card_open, [&](card_context *c) {
        return card_area_write(c, place.image.c_str(), file.image.data());
    });
}

std::string save_listing_text(const save_listing &listing, bool json) {
    std::string out;
    char line[256];
    for (const save_entry &e : listing.entries) {
        if (json) {
            snprintf(line, sizeof line,
                     "{\"number\":%u,\"name\":%s,\"offset\":%u,\"bytes\":%u,\"check\":\"%s\"}\n",
                     e.number, json_string(e.name).c_str(), e.offset, e.bytes,
                     e.check_ok ? "ok" : "wrong");
        } else {
            snprintf(line, sizeof line, "%3u  %-12s %6u bytes  check %s\n", e.number,
                     e.name.c_str(), e.bytes, e.check_ok ? "ok" : "WRONG");
        }
        out += line;
    }
    if (json) {
        snprintf(line, sizeof line, "{\"kind\":%s,\"entries\":%zu,\"free_bytes\":%u,\"fault\":%s}\n",
                 json_string(save_kind_name(listing.kind)).c_str(), listing.entries.size(),
                 listing.free_bytes, listing.fault.empty() ? "null" : json_string(listing.fault).c_str());
        return out + line;
    }
    if (listing.entries.empty()) out += "  (no entries)\n";
    if (!listing.fault.empty()) return out + "damaged: " + listing.fault + "\n";
    snprintf(line, sizeof line, "%u bytes free\n", listing.free_bytes);
    return out + line;
}

int save_command_list(log_sink *log, const save_place &place, bool json) {
    save_file file;
    if (save_place_load(log, place, &file) != VMK_OK) return VMK_FAILED;
    save_listing listing;
    int status = save_list(file.kind, file.image, &listing);
    if (!json) {
        std::string head = save_place_text(place) + ": " + save_kind_name(file.kind) +
                           (file.gzip ? " (gzip)" : "") + ", " + std::to_string(listing.entries.size()) +
                           (listing.entries.size() == 1 ? " entry" : " entries");
        log_line(log, head.c_str());
    }
    log_write(log, save_listing_text(listing, json).c_str());
    return status == VMK_OK ? 0 : 1;
}

int save_command_copy(log_sink *log, const save_place &from, const std::string &which,
                      const save_place &to, bool replace) {
    save_file source, target;
    save_listing listing, target_listing;
    if (load_listed(log, from, &source, &listing) != VMK_OK) return VMK_FAILED;
    const save_entry *entry = nullptr;
    std::string why;
    if (save_find(listing, which, &entry, &why) != VMK_OK) {
        fail(log, save_place_text(from) + ": " + why);
        return VMK_FAILED;
    }
    if (load_listed(log, to, &target, &target_listing) != VMK_OK) return VMK_FAILED;
    if (target.kind != source.kind) {
        fail(log, std::string("a ") + save_kind_name(source.kind) + " entry cannot go into a " +
                      save_kind_name(target.kind) + " image");
        return VMK_FAILED;
    }
    std::vector<uint8_t> blob;
    if (save_extract(source.kind, source.image, *entry, &blob) != VMK_OK ||
        save_insert(target.kind, &target.image, blob, replace, &why) != VMK_OK) {
        fail(log, save_place_text(to) + ": " + why);
        return VMK_FAILED;
    }
    if (save_place_store(log, to, target) != VMK_OK) return VMK_FAILED;
    log_printf_whole(log, "copied \"%s\" (%u bytes) from %s to %s\n", entry->name.c_str(), entry->bytes,
                     save_place_text(from).c_str(), save_place_text(to).c_str());
    return VMK_OK;
}

int save_command_delete(log_sink *log, const save_place &place, const std::string &which) {
    save_file file;
    save_listing listing;
    if (load_listed(log, place, &file, &listing) != VMK_OK) return VMK_FAILED;
    const save_entry *entry = nullptr;
    std::string why;
    if (save_find(listing, which, &entry, &why) != VMK_OK ||
        save_delete(file.kind, &file.image, *entry, &why) != VMK_OK) {
        fail(log, save_place_text(place) + ": " + why);
        return VMK_FAILED;
    }
    if (save_place_store(log, place, file) != VMK_OK) return VMK_FAILED;
    log_printf_whole(log, "deleted \"%s\" from %s\n", entry->name.c_str(), save_place_text(place).c_str());
    return VMK_OK;
}

int save_command_format(log_sink *log, const char *path, save_kind kind, bool gzip) {
    if (file_size(path) >= 0) {
        fail(log, std::string(path) + ": exists already; nothing written");
        return VMK_FAILED;
    }
    save_file file = save_file_new(kind);
    file.gzip = gzip;
    std::string why;
    if (save_file_store(path, file, &why) != VMK_OK) {
        fail(log, why);
        return VMK_FAILED;
    }
    log_printf_whole(log, "%s: empty %s image written\n", path, save_kind_name(kind));
    return VMK_OK;
}
