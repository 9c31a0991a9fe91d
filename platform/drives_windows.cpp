// Windows names a card by the drive letter of its mounted first partition;
// the disk behind it is found through the volume. The Linux scan roots are
// not used here.

#include "platform/drives.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/internal_windows.h"

namespace {

std::string volume_path(char letter) { return std::string("\\\\.\\") + letter + ":"; }

HANDLE open_volume(char letter) {
    return CreateFileA(volume_path(letter).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

bool is_removable(HANDLE volume, std::string *model) {
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    // The fixed part of the descriptor, plus room for the product name.
    union {
        STORAGE_DEVICE_DESCRIPTOR descriptor;
        char bytes[1024];
    } out{};
    DWORD got = 0;
    if (!DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &out,
                         sizeof out, &got, nullptr) ||
        got < offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) + 1) {
        return false;
    }
    DWORD product = out.descriptor.ProductIdOffset;
    if (product > 0 && product < got) model->assign(out.bytes + product, strnlen(out.bytes + product, got - product));
    while (!model->empty() && model->back() == ' ') model->pop_back();
    return out.descriptor.RemovableMedia != 0;
}

// The one disk the volume lies on; false when it spans several or the
// system cannot tell (GetLastError says why).
bool single_disk_of(HANDLE volume, DWORD *disk_number) {
    VOLUME_DISK_EXTENTS extents{};
    DWORD got = 0;
    if (!DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents,
                         sizeof extents, &got, nullptr)) {
        return false;
    }
    if (extents.NumberOfDiskExtents != 1) {
        SetLastError(ERROR_MORE_DATA);
        return false;
    }
    *disk_number = extents.Extents[0].DiskNumber;
    return true;
}

// Size 0 when the disk cannot say (no medium).
struct disk_geometry {
    uint64_t size = 0;
    DWORD sector_size = 0;
};

disk_geometry geometry_through(HANDLE volume) {
    DISK_GEOMETRY_EX geometry{};
    DWORD got = 0;
    if (!DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry,
                         sizeof geometry, &got, nullptr)) {
        return {};
    }
    return {static_cast<uint64_t>(geometry.DiskSize.QuadPart), geometry.Geometry.BytesPerSector};
}

bool is_no_medium(DWORD error) {
    return error == ERROR_NOT_READY || error == ERROR_NO_MEDIA_IN_DRIVE;
}

// The drive holding Windows itself, 0 when unknown.
char system_letter() {
    char folder[MAX_PATH];
    UINT n = GetSystemWindowsDirectoryA(folder, MAX_PATH);
    if (n < 2 || n >= MAX_PATH || folder[1] != ':') return 0;
    char c = folder[0];
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Empty when the volume lies on a card candidate (filled into *d), else why
// not. *d gets what could be learned either way.
std::string examine(char letter, removable_disk *d) {
    d->name = std::string(1, letter);
    d->device_path = volume_path(letter);
    HANDLE volume = open_volume(letter);
    if (volume == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (is_no_medium(error)) return "no medium";
        return std::string("cannot be examined: ") + strerror(errno_from_windows_error(error));
    }
    std::string reason;
    DWORD number = 0;
    bool removable = is_removable(volume, &d->model);
    bool single = single_disk_of(volume, &number);
    DWORD extents_error = single ? 0 : GetLastError();
    disk_geometry g = geometry_through(volume);
    CloseHandle(volume);
    if (single) {
        d->device_path = "\\\\.\\PhysicalDrive" + std::to_string(number);
        d->major = number;
    }
    d->size_bytes = g.size;
    if (!removable)
        reason = "fixed disk";
    else if (!single && is_no_medium(extents_error))
        reason = "no medium";
    else if (!single && extents_error == ERROR_MORE_DATA)
        reason = "volume spans several disks";
    else if (!single)
        reason = "disk unknown";
    else if (g.size == 0)
        reason = "no medium";
    else if (g.sector_size != 512)
        reason = std::to_string(g.sector_size) + "-byte sectors";
    else if (letter == system_letter())
        reason = "system disk in use: holds Windows";
    if (reason.empty()) {
        d->letter = letter;
        d->first_partition_mount = std::string(1, letter) + ":\\";
    }
    return reason;
}

bool letter_of(const std::string &name, char *letter) {
    if (name.size() != 1) return false;
    char c = name[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') return false;
    if (!(GetLogicalDrives() & (DWORD{1} << (c - 'A')))) return false;
    *letter = c;
    return true;
}

}  // namespace

bool examine_removable_disk(const drive_scan_roots &, const std::string &name, removable_disk *out) {
    char letter = 0;
    if (!letter_of(name, &letter)) return false;
    removable_disk d;
    if (!examine(letter, &d).empty()) return false;
    *out = d;
    return true;
}

std::vector<removable_disk> scan_removable_disks(const drive_scan_roots &roots, bool) {
    // An empty reader has no volume to find it by, so it is never listed.
    std::vector<removable_disk> disks;
    DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; i++) {
        removable_disk d;
        if ((drives & (DWORD{1} << i)) && examine_removable_disk(roots, std::string(1, 'A' + i), &d))
            disks.push_back(d);
    }
    return disks;
}

// Drive letters without a local device behind them (network shares, RAM
// disks) are left out; a letter whose volume cannot be examined is listed
// with the reason.
std::vector<rejected_disk> scan_rejected_disks(const drive_scan_roots &) {
    std::vector<rejected_disk> rejected;
    DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; i++) {
        if (!(drives & (DWORD{1} << i))) continue;
        char letter = static_cast<char>('A' + i);
        char root[] = {letter, ':', '\\', '\0'};
        UINT type = GetDriveTypeA(root);
        if (type == DRIVE_REMOTE || type == DRIVE_RAMDISK || type == DRIVE_NO_ROOT_DIR ||
            type == DRIVE_UNKNOWN)
            continue;
        removable_disk d;
        std::string reason = type == DRIVE_CDROM ? "optical drive" : examine(letter, &d);
        if (reason.empty()) continue;
        rejected_disk r;
        r.name = std::string(1, letter);
        r.device_path = d.device_path.empty() ? volume_path(letter) : d.device_path;
        r.model = d.model;
        r.size_bytes = d.size_bytes;
        r.reason = reason;
        rejected.push_back(r);
    }
    return rejected;
}

// Every place the volume is mounted: its drive letter root and any folders
// it is mounted on, in the order the system gives them.
std::vector<std::string> mount_points_of(const drive_scan_roots &, const removable_disk &d) {
    std::vector<std::string> points;
    if (d.letter == 0) return points;
    std::string root = std::string(1, d.letter) + ":\\";
    wchar_t wide_root[] = {static_cast<wchar_t>(d.letter), L':', L'\\', L'\0'};
    wchar_t volume_name[64];
    std::wstring names(1024, L'\0');
    DWORD needed = 0;
    if (GetVolumeNameForVolumeMountPointW(wide_root, volume_name, 64)) {
        BOOL ok = GetVolumePathNamesForVolumeNameW(volume_name, names.data(),
                                                   static_cast<DWORD>(names.size()), &needed);
        if (!ok && GetLastError() == ERROR_MORE_DATA) {
            names.assign(needed, L'\0');
            ok = GetVolumePathNamesForVolumeNameW(volume_name, names.data(),
                                                  static_cast<DWORD>(names.size()), &needed);
        }
        // A list of names, each ending in a null character, then an empty one.
        for (size_t at = 0; ok && at < names.size() && names[at] != L'\0';) {
            size_t end = names.find(L'\0', at);
            if (end == std::wstring::npos) break;
            points.push_back(narrow_to_utf8(names.substr(at, end - at).c_str()));
            at = end + 1;
        }
    }
    if (std::find(points.begin(), points.end(), root) == points.end())
        points.insert(points.begin(), root);
    return points;
}

// Locking and dismounting makes the system drop its cached view of the FAT
// partition before the card is rewritten under it.
int removable_disk_unmount_all(const drive_scan_roots &, const removable_disk &disk,
                               std::string *failed_at) {
    *failed_at = disk.name + ":";
    if (disk.letter == 0) return ENODEV;
    HANDLE volume = open_volume(disk.letter);
    if (volume == INVALID_HANDLE_VALUE) return errno_from_windows_error(GetLastError());
    const DWORD steps[] = {FSCTL_LOCK_VOLUME, FSCTL_DISMOUNT_VOLUME, FSCTL_UNLOCK_VOLUME};
    int status = 0;
    for (DWORD code : steps) {
        DWORD got = 0;
        if (!DeviceIoControl(volume, code, nullptr, 0, nullptr, 0, &got, nullptr) || got != 0) {
            status = errno_from_windows_error(GetLastError());
            break;
        }
    }
    CloseHandle(volume);
    if (status == 0) failed_at->clear();
    return status;
}

// Raw disk access needs an elevated administrator. Systems without the
// elevation token class count as elevated (they had no such split).
bool rights_are_full() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), GENERIC_READ, &token)) return true;
    TOKEN_ELEVATION elevation{};
    DWORD got = 0;
    bool answered = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &got) &&
                    got == sizeof elevation;
    CloseHandle(token);
    return !answered || elevation.TokenIsElevated != 0;
}

// Only elevation opens a physical drive; no group grants it.
bool rights_allow_device_access(const char *) { return false; }
