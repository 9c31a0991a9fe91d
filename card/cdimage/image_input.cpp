#include "card/cdimage/image_input.h"

#include <string>

#include "card/cdimage/subchannel_q.h"
#include "core/file_util.h"

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

}  // namespace

int image_input_read(log_sink *log, const char *prefix_text, image_input *in) {
    *in = image_input{};
    const std::string prefix = prefix_text;
    int64_t rom_size = 0;
    switch (check_size(prefix, ROM_SIZE_UNIT, &rom_size)) {
        case SIZE_OK:
            if (rom_size > ROM_SIZE_MAX) {
                log_line(log, "image file size is too large. banked ROM image is not supported.");
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
    if (d == nullptr || !img_ok || !sub_ok) {
        description_free(d);
        return 0;
    }
    in->kind = IMAGE_CD;
    in->sector_count = static_cast<uint32_t>(img_size / CD_SECTOR_SIZE);
    in->description = d;
    return 1;
}

void log_file_message(log_sink *log, const char *name, const char *what) {
    log_write(log, name);
    log_write(log, what);
}

void image_input_free(image_input *in) {
    description_free(in->description);
    in->description = nullptr;
}
