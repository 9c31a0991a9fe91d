#include "core/file_replace.h"

#include "platform/files.h"

file_replace::~file_replace() { file_replace_abandon(this); }

int file_replace_begin(file_replace *r, const char *target) {
    file_replace_abandon(r);
    if (target == nullptr || *target == '\0') return 0;
    r->stream = file_os_create_beside(target, &r->temp_name);
    if (r->stream == nullptr) return 0;
    r->target = target;
    r->failed = false;
    return 1;
}

int file_replace_write(file_replace *r, const void *data, size_t length) {
    if (r->stream == nullptr || r->failed) return 0;
    if (length > 0 && fwrite(data, 1, length, r->stream) != length) r->failed = true;
    if (ferror(r->stream)) r->failed = true;
    return r->failed ? 0 : 1;
}

int file_replace_commit(file_replace *r) {
    if (r->stream == nullptr) return 0;
    bool ok = !r->failed && fflush(r->stream) == 0 && !ferror(r->stream);
    ok = fclose(r->stream) == 0 && ok;
    r->stream = nullptr;
    ok = ok && file_os_replace(r->temp_name.c_str(), r->target.c_str());
    if (!ok) file_os_remove(r->temp_name.c_str());
    r->temp_name.clear();
    return ok ? 1 : 0;
}

void file_replace_abandon(file_replace *r) {
    if (r->stream == nullptr) return;
    fclose(r->stream);
    r->stream = nullptr;
    file_os_remove(r->temp_name.c_str());
    r->temp_name.clear();
}
