#include "card/backup/backup_archive_read.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/file_util.h"
#include "core/log_whole.h"

struct backup_reader {
    log_sink *log = nullptr;
    std::string name;
    FILE *file = nullptr;
    archive *a = nullptr;
    std::vector<char> buffer = std::vector<char>(1 << 16);

    bool broken(const char *what) {
        const char *why = archive_error_string(a);
        log_printf_whole(log, "%s: refused: not a whole backup archive: %s%s%s\n", name.c_str(), what,
                         why != nullptr ? ": " : "", why != nullptr ? why : "");
        return false;
    }
};

namespace {

la_ssize_t read_in(archive *, void *user, const void **data) {
    auto *r = static_cast<backup_reader *>(user);
    size_t n = fread(r->buffer.data(), 1, r->buffer.size(), r->file);
    if (n == 0 && ferror(r->file)) return -1;
    *data = r->buffer.data();
    return static_cast<la_ssize_t>(n);
}

}  // namespace

void backup_reader_deleter::operator()(backup_reader *r) const {
    if (r->a != nullptr) archive_read_free(r->a);
    if (r->file != nullptr) fclose(r->file);
    delete r;
}

bool backup_archive_named(const char *path) {
    static const uint8_t zstd_magic[4] = {0x28, 0xB5, 0x2F, 0xFD};
    uint8_t head[4] = {};
    FILE *f = path != nullptr ? file_open(path, "rb") : nullptr;
    if (f == nullptr) return false;
    const bool read = fread(head, 1, sizeof head, f) == sizeof head;
    fclose(f);
    return read && memcmp(head, zstd_magic, sizeof head) == 0;
}

backup_reader_ptr backup_reader_open(log_sink *log, const std::string &file_name) {
    backup_reader_ptr r(new backup_reader);
    r->log = log;
    r->name = file_name;
    r->file = file_open(file_name.c_str(), "rb");
    if (r->file == nullptr) {
        log_printf_whole(log, "%s: cannot be opened\n", file_name.c_str());
        return nullptr;
    }
    r->a = archive_read_new();
    if (r->a == nullptr || archive_read_support_filter_zstd(r->a) != ARCHIVE_OK ||
        archive_read_support_format_tar(r->a) != ARCHIVE_OK ||
        archive_read_open(r->a, r.get(), nullptr, read_in, nullptr) != ARCHIVE_OK) {
        r->broken("it does not open as a zstd-compressed tar archive");
        return nullptr;
    }
    return r;
}

bool backup_member_name_safe(const std::string &name) {
    if (name.empty() || name.size() > 1024 || name[0] == '/') return false;
    if (name.find_first_of("\\:") != std::string::npos) return false;
    for (size_t at = 0; at <= name.size();) {
        size_t slash = name.find('/', at);
        if (slash == std::string::npos) slash = name.size();
        std::string part = name.substr(at, slash - at);
        if (part.empty() || part == "." || part == "..") return false;
        at = slash + 1;
    }
    return true;
}

backup_next backup_member_next(backup_reader *r, backup_member *m) {
    archive_entry *e = nullptr;
    int status = archive_read_next_header(r->a, &e);
    if (status == ARCHIVE_EOF) return BACKUP_END;
    if (status != ARCHIVE_OK) {
        r->broken("a member header");
        return BACKUP_BROKEN;
    }
    const char *name = archive_entry_pathname_utf8(e);
    if (name == nullptr) name = archive_entry_pathname(e);
    m->name = name != nullptr ? name : "";
    if (!backup_member_name_safe(m->name)) {
        log_printf_whole(r->log, "%s: refused: the member name \"%s\" leads outside the archive\n",
                         r->name.c_str(), m->name.c_str());
        return BACKUP_BROKEN;
    }
    if (archive_entry_filetype(e) != AE_IFREG || archive_entry_hardlink(e) != nullptr ||
        archive_entry_symlink(e) != nullptr) {
        log_printf_whole(r->log, "%s: refused: the member \"%s\" is not a plain file\n",
                         r->name.c_str(), m->name.c_str());
        return BACKUP_BROKEN;
    }
    if (!archive_entry_size_is_set(e) || archive_entry_size(e) < 0) {
        log_printf_whole(r->log, "%s: refused: the member \"%s\" has no size\n", r->name.c_str(),
                         m->name.c_str());
        return BACKUP_BROKEN;
    }
    m->size = static_cast<uint64_t>(archive_entry_size(e));
    return BACKUP_MEMBER;
}

int64_t backup_member_read(backup_reader *r, void *data, size_t length) {
    la_ssize_t n = archive_read_data(r->a, data, length);
    if (n < 0) {
        r->broken("member data");
        return -1;
    }
    return n;
}
