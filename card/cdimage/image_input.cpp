#include "card/cdimage/image_input.h"

#include <cstring>
#include <string>

#include "card/cdimage/archive_input.h"
#include "card/cdimage/chd_disc.h"
#include "card/cdimage/cue_disc.h"
#include "card/cdimage/subchannel_q.h"
#include "core/file_util.h"
#include "core/log_whole.h"

namespace {

enum size_check { SIZE_OK, SIZE_MISSING, SIZE_BAD };

size_check check_size(const std::string &name, int64_t unit, int64_t *size) {
    *size = file_size(name.c_str());
    if (*size <= 0) return SIZE_MISSING;
    return *size % unit == 0 ? SIZE_OK : SIZE_BAD;
}

// Reports what check_size found wrong with one file of an image set.
bool cd_file_ok(log_sink *log, const std::string &name, int64_t unit, int64_t *size) {
    switch (check_size(name, unit, size)) {
        case SIZE_OK:
            return true;
        case SIZE_MISSING:
            log_file_message(log, name.c_str(), ": not found\n");
            return false;
        case SIZE_BAD:
            log_file_message(log, name.c_str(), ": file size error\n");
            return false;
    }
    return false;
}

disc_description *read_cd_description(log_sink *log, const std::string &prefix) {
    disc_description *d = description_read(log, (prefix + ".cdm").c_str(), true);
    if (d == nullptr) d = description_read(log, (prefix + ".ccd").c_str(), true);
    if (d == nullptr) log_file_message(log, (prefix + ".ccd").c_str(), " has errors\n");
    return d;
}

// Nothing at all under the prefix: most likely a mistyped name, which one
// line says better than a complaint about every file of a set.
bool nothing_named(const std::string &prefix) {
    for (const char *suffix : {"", ".img", ".sub", ".cdm", ".ccd"})
        if (file_size((prefix + suffix).c_str()) >= 0) return false;
    return true;
}

// A cue sheet or a compressed image: both come as a laid-out sheet.
int read_laid_out(log_sink *log, const char *name, image_input *in,
                  cd_source *(*open)(log_sink *, const char *, cue_sheet *)) {
    cue_sheet sheet;
    cd_source *source = open(log, name, &sheet);
    if (source == nullptr) return 0;
    in->kind = IMAGE_CD;
    in->sector_count = source->sector_count;
    in->description = cue_description(log, sheet);
    in->source = source;
    return 1;
}

int read_cue(log_sink *log, const char *name, image_input *in) {
    return read_laid_out(log, name, in, cd_source_open_cue);
}

int read_chd(log_sink *log, const char *name, image_input *in) {
    return read_laid_out(log, name, in, cd_source_open_chd);
}

}  // namespace

bool image_input_named(const char *prefix_text) {
    const std::string prefix = prefix_text;
    std::string archive, inner;
    if (archive_argument(prefix_text, &archive, &inner)) return file_size(archive.c_str()) >= 0;
    return !nothing_named(prefix) || file_size((prefix + ".cue").c_str()) >= 0 ||
           file_size((prefix + ".chd").c_str()) >= 0;
}

int image_input_read(log_sink *log, const char *prefix_text, image_input *in) {
    *in = image_input{};
    const std::string prefix = prefix_text;
    std::string archive, inner;
    if (archive_argument(prefix_text, &archive, &inner))
        return archive_input_read(log, archive, inner, in);
    if (name_has_suffix(prefix_text, ".cue")) return read_cue(log, prefix_text, in);
    if (name_has_suffix(prefix_text, ".chd")) return read_chd(log, prefix_text, in);
    int64_t rom_size = 0;
    switch (check_size(prefix, ROM_SIZE_UNIT, &rom_size)) {
        case SIZE_OK:
            if (rom_size > ROM_SIZE_MAX) {
                log_line(log, "image file size is too large. banked ROM image is not supported.");
                return 0;
            }
            in->rom.assign(static_cast<size_t>(rom_size), 0);
            if (!file_read_whole(prefix_text, in->rom.data(), in->rom.size())) {
                log_file_message(log, prefix_text, ": cannot be read\n");
                return 0;
            }
            in->kind = IMAGE_ROM;
            in->rom_size = static_cast<uint32_t>(rom_size);
            in->description = description_read(log, prefix_text, false);
            return 1;
        case SIZE_BAD:
            // Not a ROM; the prefix may still name an image set beside it.
            log_file_message(log, prefix_text, ": file size error\n");
            break;
        case SIZE_MISSING:
            if (nothing_named(prefix)) {
                if (file_size((prefix + ".cue").c_str()) >= 0)
                    return read_cue(log, (prefix + ".cue").c_str(), in);
                if (file_size((prefix + ".chd").c_str()) >= 0)
                    return read_chd(log, (prefix + ".chd").c_str(), in);
                log_file_message(log, "no such file or image set: ", prefix_text);
                log_write(log, "\n");
                return 0;
            }
            break;
    }

    int64_t img_size = 0, sub_size = 0;
    bool img_ok = cd_file_ok(log, prefix + ".img", CD_SECTOR_SIZE, &img_size);
    bool sub_ok = cd_file_ok(log, prefix + ".sub", SUBCHANNEL_BLOCK_SIZE, &sub_size);
    if (img_ok && sub_ok && img_size / CD_SECTOR_SIZE != sub_size / SUBCHANNEL_BLOCK_SIZE) {
        log_line(log, "img and sub file size mismatch");
        description_free(read_cd_description(log, prefix));
        return 0;
    }
    disc_description *d = read_cd_description(log, prefix);
    cd_source *source = nullptr;
    if (d == nullptr || !img_ok || !sub_ok ||
        (source = cd_source_open_set(log, prefix_text,
                                     static_cast<uint32_t>(img_size / CD_SECTOR_SIZE))) ==
            nullptr) {
        description_free(d);
        return 0;
    }
    in->kind = IMAGE_CD;
    in->sector_count = source->sector_count;
    in->description = d;
    in->source = source;
    return 1;
}

void image_input_free(image_input *in) {
    description_free(in->description);
    in->description = nullptr;
    delete in->source;
    in->source = nullptr;
}
