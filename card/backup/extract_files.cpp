#include "card/backup/extract_files.h"

#include "core/file_util.h"
#include "core/log_whole.h"

std::string extract_path(const std::string &folder, const std::string &name) {
    if (folder.empty()) return name;
    char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}

bool extract_files_absent(log_sink *log, const std::vector<std::string> &names, bool replace) {
    if (replace) return true;
    for (const std::string &f : names)
        if (file_size(f.c_str()) >= 0) {
            log_printf_whole(log, "%s exists; --force replaces it\n", f.c_str());
            return false;
        }
    return true;
}

bool extract_file_begin(log_sink *log, file_replace *f, const std::string &name) {
    if (file_replace_begin(f, name.c_str())) return true;
    log_printf_whole(log, "cannot create %s\n", name.c_str());
    return false;
}

bool extract_file_write(log_sink *log, file_replace *f, const void *data, size_t length) {
    if (file_replace_write(f, data, length)) return true;
    log_printf_whole(log, "error writing file %s\n", f->target.c_str());
    return false;
}

bool extract_file_commit(log_sink *log, file_replace *f) {
    if (file_replace_commit(f)) return true;
    log_printf_whole(log, "error writing file %s\n", f->target.c_str());
    return false;
}
