#include "card/store/drive_table.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

#include "core/utf8_path.h"

namespace {

constexpr char FIRST_DISK_LETTER = 'D';

struct table {
    std::mutex lock;
    drive_scan_roots roots;
    std::array<std::optional<drive_entry>, 26> slots;  // index letter - 'A'
};

table &the_table() {
    static table t;
    return t;
}

int slot_of(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return letter >= 'A' && letter <= 'Z' ? letter - 'A' : -1;
}

// Caller holds the lock.
char take_letter_from_z(table &t, drive_entry e) {
    for (int i = 25; i >= 0; i--) {
        if (t.slots[i]) continue;
        e.letter = static_cast<char>('A' + i);
        t.slots[i] = e;
        return e.letter;
    }
    return 0;
}

drive_entry disk_entry(const removable_disk &d) {
    drive_entry e;
    e.kind = DRIVE_BLOCK_DEVICE;
    e.name = d.name;
    e.path = d.device_path;
    e.model = d.model;
    e.size_bytes = d.size_bytes;
    e.has_medium = d.size_bytes > 0;
    e.first_partition_mount = d.first_partition_mount;
    return e;
}

bool is_regular_file(const char *path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(utf8_path(path), ec);
}

}  // namespace

void drive_table_refresh() {
    table &t = the_table();
    drive_scan_roots roots;
    {
        std::lock_guard<std::mutex> hold(t.lock);
        roots = t.roots;
    }
    // The scan reads files and may take a moment: done outside the lock.
    std::vector<removable_disk> disks = scan_removable_disks(roots, true);

    std::lock_guard<std::mutex> hold(t.lock);
    std::vector<const removable_disk *> new_disks;
    for (const removable_disk &d : disks) {
        bool known = false;
        for (auto &slot : t.slots)
            if (slot && slot->kind == DRIVE_BLOCK_DEVICE && slot->name == d.name) {
                char letter = slot->letter;
                slot = disk_entry(d);
                slot->letter = letter;
                slot->kind = DRIVE_BLOCK_DEVICE;
                known = true;
            }
        if (!known) new_disks.push_back(&d);
    }
    for (auto &slot : t.slots) {
        if (!slot || slot->kind != DRIVE_BLOCK_DEVICE) continue;
        bool present = std::any_of(disks.begin(), disks.end(),
                                   [&](const removable_disk &d) { return d.name == slot->name; });
        if (!present) slot.reset();
    }
    int next = FIRST_DISK_LETTER - 'A';
    for (const removable_disk *d : new_disks) {
        // A disk the system already calls by a letter keeps it.
        int own = slot_of(d->letter);
        int slot = own >= 0 && !t.slots[own] ? own : next;
        while (slot == next && next < 26 && t.slots[next]) slot = ++next;
        if (slot == 26) break;  // more cards than letters: the rest stay unlisted
        t.slots[slot] = disk_entry(*d);
        t.slots[slot]->letter = static_cast<char>('A' + slot);
    }
}

namespace {

// The entry of a card image file, by its absolute name, holding no letter.
bool image_entry(log_sink *log, const char *path, drive_entry *e) {
    if (path == nullptr || !is_regular_file(path)) {
        log_write(log, "not a card image file: ");
        log_line(log, path == nullptr ? "" : path);
        return false;
    }
    std::error_code ec;
    std::string absolute = path_utf8(std::filesystem::absolute(utf8_path(path), ec).lexically_normal());
    *e = drive_entry{};
    e->kind = DRIVE_IMAGE_FILE;
    e->path = ec ? std::string(path) : absolute;
    uintmax_t size = std::filesystem::file_size(utf8_path(path), ec);
    if (!ec) e->size_bytes = size;
    return true;
}

}  // namespace

char drive_table_register_image(log_sink *log, const char *path) {
    drive_entry e;
    if (!image_entry(log, path, &e)) return 0;
    std::error_code ec;
    std::string canonical = path_utf8(std::filesystem::weakly_canonical(utf8_path(e.path), ec));
    if (ec) canonical = e.path;

    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    for (auto &slot : t.slots) {
        if (!slot || slot->kind != DRIVE_IMAGE_FILE) continue;
        std::string other = path_utf8(std::filesystem::weakly_canonical(utf8_path(slot->path), ec));
        if (!ec && other == canonical) return slot->letter;
    }
    char letter = take_letter_from_z(t, e);
    if (letter == 0) log_line(log, "no free drive letter for the card image");
    return letter;
}

bool drive_resolve(log_sink *log, const char *drive, drive_entry *out) {
    if (drive_argument_is_image(drive)) return image_entry(log, drive, out);
    // The letter alone counts ("e", "E:"); open steps check the syntax first.
    char letter = drive == nullptr ? 0 : drive[0];
    if (letter != 0) {
        drive_table_refresh();
        if (drive_table_find(letter, out)) return true;
    }
    log_line(log, "logical drive not found");
    return false;
}

bool drive_argument_check(log_sink *log, const char *drive) {
    drive_entry ignored;
    return drive_argument_is_image(drive) ? image_entry(log, drive, &ignored)
                                          : drive_letter_check(log, drive);
}

bool drive_same_card(const drive_entry &a, const drive_entry &b) {
    if (a.letter != 0 || b.letter != 0) return a.letter == b.letter;
    std::error_code ec;
    return std::filesystem::equivalent(utf8_path(a.path), utf8_path(b.path), ec);
}

std::string drive_display_name(const char *drive) {
    if (drive == nullptr) return "";
    if (drive_argument_is_image(drive)) return drive;
    char letter = drive[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return std::string(1, letter) + ":";
}

char drive_table_register_store(sector_store *store) {
    if (store == nullptr) return 0;
    drive_entry e;
    e.kind = DRIVE_STORE;
    e.store = store;
    e.size_bytes = store_sector_count(store) * 512;
    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    return take_letter_from_z(t, e);
}

std::vector<rejected_disk> drive_table_rejected() { return scan_rejected_disks(drive_table_roots()); }

void drive_table_forget(char letter) {
    int i = slot_of(letter);
    if (i < 0) return;
    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.slots[i].reset();
}

bool drive_table_find(char letter, drive_entry *out) {
    int i = slot_of(letter);
    if (i < 0) return false;
    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    if (!t.slots[i]) return false;
    *out = *t.slots[i];
    return true;
}

std::vector<drive_entry> drive_table_entries() {
    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    std::vector<drive_entry> entries;
    for (const auto &slot : t.slots)
        if (slot) entries.push_back(*slot);
    return entries;
}

void drive_table_use_roots(const drive_scan_roots &roots) {
    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.roots = roots;
}

drive_scan_roots drive_table_roots() {
    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    return t.roots;
}

void drive_table_clear() {
    table &t = the_table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.roots = drive_scan_roots{};
    for (auto &slot : t.slots) slot.reset();
}

bool drive_argument_is_image(const char *text) {
    return text != nullptr && (strchr(text, '/') != nullptr || is_regular_file(text));
}

bool drive_letter_check(log_sink *log, const char *drive) {
    if (drive == nullptr || strlen(drive) != 1) {
        log_line(log, "logical drive syntax length must be 1");
        return false;
    }
    char letter = drive[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') {
        log_line(log, "logical drive name is not from A to Z");
        return false;
    }
    return true;
}
