#include "card/backup/backup_archive_write.h"

#include <archive.h>
#include <archive_entry.h>

#include <ctime>

#include "core/file_replace.h"
#include "core/log_whole.h"
#include "core/sha1.h"

struct backup_writer {
    log_sink *log;
    file_replace file;
    archive *a = nullptr;
    sha1_context sha1;
    uint64_t left = 0;  // bytes of the member still to come
    bool failed = false;

    bool fail(const char *what) {
        if (!failed)
            log_printf_whole(log, "%s: %s: %s\n", file.target.c_str(), what,
                             a != nullptr && archive_error_string(a) != nullptr
                                 ? archive_error_string(a)
                                 : "write error");
        failed = true;
        return false;
    }
};

namespace {

la_ssize_t write_out(archive *, void *user, const void *data, size_t length) {
    auto *w = static_cast<backup_writer *>(user);
    return file_replace_write(&w->file, data, length) ? static_cast<la_ssize_t>(length) : -1;
}

}  // namespace

void backup_writer_deleter::operator()(backup_writer *w) const {
    if (w->a != nullptr) archive_write_free(w->a);
    file_replace_abandon(&w->file);
    delete w;
}

backup_writer_ptr backup_writer_open(log_sink *log, const std::string &file_name) {
    backup_writer_ptr w(new backup_writer{log, {}, nullptr, {}, 0, false});
    if (!file_replace_begin(&w->file, file_name.c_str())) {
        log_printf_whole(log, "cannot create %s\n", file_name.c_str());
        return nullptr;
    }
    w->a = archive_write_new();
    if (w->a == nullptr || archive_write_add_filter_zstd(w->a) != ARCHIVE_OK ||
        archive_write_set_filter_option(w->a, "zstd", "compression-level", "3") != ARCHIVE_OK ||
        archive_write_set_format_pax_restricted(w->a) != ARCHIVE_OK) {
        w->fail("cannot set up the archive");
        return nullptr;
    }
    // No padding after the compressed stream: zstd readers take trailing
    // zeros for a damaged frame.
    archive_write_set_bytes_in_last_block(w->a, 1);
    // Two threads where the library offers them; one otherwise.
    archive_write_set_filter_option(w->a, "zstd", "threads", "2");
    if (archive_write_open(w->a, w.get(), nullptr, write_out, nullptr) != ARCHIVE_OK) {
        w->fail("cannot start the archive");
        return nullptr;
    }
    return w;
}

bool backup_member_begin(backup_writer *w, const std::string &name, uint64_t size) {
    if (w->failed) return false;
    archive_entry *e = archive_entry_new();
    archive_entry_set_pathname_utf8(e, name.c_str());
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, static_cast<la_int64_t>(size));
    archive_entry_set_mtime(e, time(nullptr), 0);
    int r = archive_write_header(w->a, e);
    archive_entry_free(e);
    if (r != ARCHIVE_OK) return w->fail(name.c_str());
    sha1_init(&w->sha1);
    w->left = size;
    return true;
}

bool backup_member_write(backup_writer *w, const void *data, size_t length) {
    if (w->failed) return false;
    if (length > w->left) return w->fail("a member grew past its size");
    sha1_update(&w->sha1, static_cast<const uint8_t *>(data), length);
    w->left -= length;
    const char *at = static_cast<const char *>(data);
    while (length > 0) {
        la_ssize_t n = archive_write_data(w->a, at, length);
        if (n <= 0) return w->fail("write error");
        at += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool backup_member_end(backup_writer *w, std::string *sha1) {
    if (w->failed) return false;
    if (w->left != 0) return w->fail("a member ended short of its size");
    if (archive_write_finish_entry(w->a) != ARCHIVE_OK) return w->fail("write error");
    uint8_t digest[20];
    sha1_final(&w->sha1, digest);
    *sha1 = sha1_digest_hex(digest);
    return true;
}

bool backup_writer_finish(backup_writer *w) {
    if (w->failed) return false;
    if (archive_write_close(w->a) != ARCHIVE_OK) return w->fail("write error");
    archive_write_free(w->a);
    w->a = nullptr;
    if (file_replace_commit(&w->file)) return true;
    log_printf_whole(w->log, "error writing file %s\n", w->file.target.c_str());
    w->failed = true;
    return false;
}
