// Windows names a card by the drive letter of its mounted first partition;
// the disk behind it is found through the volume. The Linux scan roots are
// not used here.
#include <windows.h>
#include <winioctl.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/removable_disks.h"
#include "platform/windows_error.h"

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

// The one disk the volume lies on; false when it spans several.
bool single_disk_of(HANDLE volume, DWORD *disk_number) {
    VOLUME_DISK_EXTENTS extents{};
    DWORD got = 0;
    if (!DeviceIoControl(volume, IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents,
                         sizeof extents, &got, nullptr) ||
        extents.NumberOfDiskExtents != 1) {
        return false;
    }
    *disk_number = extents.Extents[0].DiskNumber;
    return true;
}

uint64_t disk_size_through(HANDLE volume) {
    DISK_GEOMETRY_EX geometry{};
    DWORD got = 0;
    if (!DeviceIoControl(volume, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX, nullptr, 0, &geometry,
                         sizeof geometry, &got, nullptr)) {
        return 0;
    }
    return static_cast<uint64_t>(geometry.DiskSize.QuadPart);
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
    HANDLE volume = open_volume(letter);
    if (volume == INVALID_HANDLE_VALUE) return false;
    removable_disk d;
    DWORD number = 0;
    bool found = is_removable(volume, &d.model) && single_disk_of(volume, &number);
    if (found) d.size_bytes = disk_size_through(volume);
    CloseHandle(volume);
    if (!found || d.size_bytes == 0) return false;
    d.name = std::string(1, letter);
    d.letter = letter;
    d.device_path = "\\\\.\\PhysicalDrive" + std::to_string(number);
    d.major = number;
    d.first_partition_mount = std::string(1, letter) + ":\\";
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
