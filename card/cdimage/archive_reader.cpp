#include "card/cdimage/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <utility>

#include "card/cdimage/bcd.h"
#include "card/cdimage/image_input.h"
#include "core/file_util.h"
#include "core/log_whole.h"
#include "core/utf8_path.h"

namespace {

// No file of a CD holds more: a member declaring more is refused unread,
// and none is read past its declared size.
constexpr uint64_t MEMBER_SIZE_MAX = uint64_t{CD_POSITION_LIMIT} * CD_SECTOR_SIZE;
constexpr size_t READ_BLOCK = 1 << 20;

// Always a handle to free; *opened false when the file cannot be read as an
// archive (archive_error_string says why).
struct archive *open_archive(const std::string &name, bool *opened) {
    struct archive *a = archive_read_new();
    archive_read_support_format_zip(a);
    archive_read_support_format_7zip(a);
#ifdef _WIN32
    int r = archive_read_open_filename_w(a, utf8_path(name).c_str(), READ_BLOCK);
#else
    int r = archive_read_open_filename(a, name.c_str(), READ_BLOCK);
#endif
    *opened = r == ARCHIVE_OK;
    return a;
}

const char *entry_name(struct archive_entry *e) {
    const char *name = archive_entry_pathname_utf8(e);
    return name != nullptr ? name : archive_entry_pathname(e);
}

// Absolute ("/x", "\x", "C:x") or climbing out ("../x", "a/../../x").
bool unsafe_name(const std::string &name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return true;
    if (name.size() >= 2 && name[1] == ':') return true;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return true;
        start = end + 1;
    }
    return false;
}

bool refuse(log_sink *log, const std::string &what) {
    log_file_message(log, what.c_str(), "\n");
    return false;
}

}  // namespace

bool archive_file_name(const std::string &name) {
    return name_has_suffix(name.c_str(), ".zip") || name_has_suffix(name.c_str(), ".7z");
}

bool archive_list(log_sink *log, const std::string &path, std::vector<archive_member> *out) {
    out->clear();
    bool opened = false;
    struct archive *a = open_archive(path, &opened);
    bool ok = true;
    for (;;) {
        struct archive_entry *e = nullptr;
        int r = opened ? archive_read_next_header(a, &e) : ARCHIVE_FATAL;
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
            const char *why = archive_error_string(a);
            ok = refuse(log, path + ": not a readable archive (" +
                                 (why != nullptr ? why : "damaged") + ")");
            break;
        }
        const char *raw = entry_name(e);
        std::string name = raw != nullptr ? raw : "";
        if (unsafe_name(name)) {
            ok = refuse(log,
                        path + ": member name " + name + " points outside the archive; refused");
            break;
        }
        if (archive_entry_is_encrypted(e)) {
            ok = refuse(log,
                        path + ": " + name + " is encrypted; unpack it with its password first");
            break;
        }
        if (archive_entry_filetype(e) != AE_IFREG) continue;
        if (!archive_entry_size_is_set(e)) {
            ok = refuse(log, path + ": " + name + " does not record its size");
            break;
        }
        const int64_t size = archive_entry_size(e);
        if (size < 0 || static_cast<uint64_t>(size) > MEMBER_SIZE_MAX) {
            ok = refuse(log,
                        path + ": " + name + " declares more bytes than any disc holds; refused");
            break;
        }
        out->push_back({name, static_cast<uint64_t>(size)});
    }
    archive_read_free(a);
    return ok;
}

struct archive_stream_state {
    struct archive *a;
};

archive_stream::archive_stream(std::string archive_name, archive_member m)
    : archive(std::move(archive_name)), member(std::move(m)) {}

archive_stream::~archive_stream() { close(); }

std::string archive_stream::label() const { return archive + ":" + member.name; }

void archive_stream::close() {
    if (state_ == nullptr) return;
    archive_read_free(state_->a);
    delete state_;
    state_ = nullptr;
}

bool archive_stream::fault(log_sink *log, const char *what) {
    std::string text = label() + ": " + what;
    if (state_ != nullptr && archive_error_string(state_->a) != nullptr)
        text += std::string(" (") + archive_error_string(state_->a) + ")";
    close();
    return refuse(log, text);
}

bool archive_stream::open(log_sink *log) {
    close();
    position_ = 0;
    bool opened = false;
    state_ = new archive_stream_state{open_archive(archive, &opened)};
    if (!opened) return fault(log, "cannot be opened");
    for (;;) {
        struct archive_entry *e = nullptr;
        int r = archive_read_next_header(state_->a, &e);
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return fault(log, "cannot be found again");
        const char *name = entry_name(e);
        if (name != nullptr && member.name == name && archive_entry_filetype(e) == AE_IFREG)
            return true;
    }
}

bool archive_stream::read_at(log_sink *log, uint64_t offset, uint8_t *out, size_t n) {
    if (offset > member.size || n > member.size - offset)
        return fault(log, "holds fewer bytes than asked for");
    if (state_ == nullptr || offset < position_) {
        if (!open(log)) return false;
    }
    std::vector<uint8_t> skipped;
    while (position_ < offset) {
        skipped.resize(static_cast<size_t>(std::min<uint64_t>(READ_BLOCK, offset - position_)));
        la_ssize_t got = archive_read_data(state_->a, skipped.data(), skipped.size());
        if (got <= 0) return fault(log, got == 0 ? "ends early" : "cannot be read");
        position_ += static_cast<uint64_t>(got);
    }
    for (size_t done = 0; done < n;) {
        la_ssize_t got = archive_read_data(state_->a, out + done, n - done);
        if (got <= 0) return fault(log, got == 0 ? "ends early" : "cannot be read");
        done += static_cast<size_t>(got);
        position_ += static_cast<uint64_t>(got);
    }
    return true;
}

bool archive_stream::finish(log_sink *log) {
    if (state_ == nullptr && member.size > 0) {
        if (!open(log)) return false;
    }
    if (state_ == nullptr) return true;
    uint8_t rest[1 << 16];
    for (;;) {
        la_ssize_t got = archive_read_data(state_->a, rest, sizeof rest);
        if (got < 0) return fault(log, "cannot be read");
        if (got == 0) break;
        position_ += static_cast<uint64_t>(got);
        // A member that expands past what it declared is refused as soon as
        // it does, not after it has been inflated whole.
        if (position_ > member.size) return fault(log, "expands beyond its declared size; refused");
    }
    if (position_ != member.size) return fault(log, "ends early");
    close();
    return true;
}

bool archive_read_member(log_sink *log, const std::string &archive, const archive_member &m,
                         uint64_t limit, std::vector<uint8_t> *out) {
    if (m.size > limit) return refuse(log, archive + ":" + m.name + ": too large; refused");
    out->assign(static_cast<size_t>(m.size), 0);
    archive_stream s(archive, m);
    return s.read_at(log, 0, out->data(), out->size()) && s.finish(log);
}
