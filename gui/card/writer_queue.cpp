#include "gui/card/writer_queue.h"

#include <strings.h>

#include <cstdio>

#include "card/cdimage/archive_input.h"
#include "card/cdimage/image_input.h"
#include "core/file_util.h"
#include "core/log_whole.h"
#include "core/utf8_path.h"

namespace {

std::string::size_type base_start(const std::string &path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// Position of the extension's dot in the file's own name, or npos.
std::string::size_type extension_dot(const std::string &path) {
    const auto dot = path.rfind('.');
    return dot == std::string::npos || dot < base_start(path) ? std::string::npos : dot;
}

std::string without_extension(const std::string &path) {
    return path.substr(0, extension_dot(path));
}

}  // namespace

bool is_cd_description(const std::string &path) {
    const auto dot = extension_dot(path);
    if (dot == std::string::npos) return false;
    const char *ext = path.c_str() + dot + 1;
    return strcasecmp(ext, "cdm") == 0 || strcasecmp(ext, "ccd") == 0;
}

bool is_whole_disc_file(const std::string &path) {
    std::string archive, member;
    if (archive_argument(path.c_str(), &archive, &member)) return true;
    const auto dot = extension_dot(path);
    if (dot == std::string::npos) return false;
    const char *ext = path.c_str() + dot + 1;
    return strcasecmp(ext, "cue") == 0 || strcasecmp(ext, "chd") == 0;
}

bool rom_file_check(log_sink *log, const std::string &path) {
    const int64_t size = file_size(path.c_str());
    const char *reason = nullptr;
    if (size < 0)
        reason = ": file not found\n";
    else if (size % ROM_SIZE_UNIT != 0)
        reason = ": file size is strange; != 0x2000\n";
    else if (size > ROM_SIZE_MAX)
        reason = ": file size is too large; > 0x100000\n";
    if (!reason) return true;
    log_file_message(log, path.c_str(), reason);
    return false;
}

bool writer_queue_entry_make(log_sink *log, const std::string &path, const std::string &name,
                             writer_queue_entry *entry) {
    // A game inside an archive is named by its member, a set by its
    // description too: the whole argument goes to the add command.
    std::string archive, member;
    const bool archived = archive_argument(path.c_str(), &archive, &member);
    const bool cd = !archived && is_cd_description(path);
    if (!cd && !is_whole_disc_file(path) && !rom_file_check(log, path)) return false;
    const std::string &shown = member.empty() ? path : member;
    entry->name = name.empty() ? without_extension(shown.substr(base_start(shown))) : name;
    entry->image_file = cd ? without_extension(path) : path;
    return true;
}

std::string writer_queue_text(const writer_queue_entry &entry) {
    return entry.name + " `" + entry.image_file;
}

bool csv_list_read(log_sink *log, const std::string &list_path, std::vector<csv_list_line> *lines) {
    FILE *f = file_open(list_path.c_str(), "r");
    if (!f) {
        log_write(log, "could not open:");
        log_line(log, list_path.c_str());
        return false;
    }
    const std::string folder = list_path.substr(0, base_start(list_path));
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, f)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const auto tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) continue;
        csv_list_line l{line.substr(0, tab), line.substr(tab + 1)};
        // Rooted names stand as they are: "/x", and on Windows also "C:\x", "\x".
        if (!utf8_path(l.path).has_root_path()) l.path = folder + l.path;
        if (file_size(l.path.c_str()) < 0) {
            log_file_message(log, l.path.c_str(), "is not found.\n");
            continue;
        }
        lines->push_back(l);
    }
    fclose(f);
    return true;
}
