#include "gui/card/drive_entries.h"

#include <cstdio>

std::string drive_entry_text(const drive_entry &e) {
    std::string text{e.letter, ':'};
    if (e.kind == DRIVE_IMAGE_FILE) return text + " " + e.path;
    if (e.kind == DRIVE_STORE) return text + " test store";
    char size[32];
    snprintf(size, sizeof size, "%.1f GiB", static_cast<double>(e.size_bytes) / (1u << 30));
    text += " " + e.name;
    if (!e.model.empty()) text += " " + e.model;
    return text + " " + size;
}

std::vector<std::string> drive_entry_texts(const std::vector<drive_entry> &entries) {
    std::vector<std::string> texts;
    for (const drive_entry &e : entries)
        if (e.has_medium) texts.push_back(drive_entry_text(e));
    return texts;
}

int drive_entry_preselect(const std::vector<std::string> &texts, const std::string &stored) {
    if (texts.empty()) return -1;
    if (stored.size() >= 2)
        for (size_t i = 0; i < texts.size(); i++)
            if (texts[i].compare(0, 2, stored, 0, 2) == 0) return static_cast<int>(i);
    return 0;
}
