// The system's disk service (UDisks2 on the system bus): it opens a disk for
// a user who has no rights on its device node, after the system's
// authorisation prompt (polkit), and unmounts the disk's file systems on the
// user's behalf. Calls may wait while the desktop's authorisation agent asks
// the user. Linux: disk_service_linux.cpp (sd-bus); Windows:
// disk_service_windows.cpp (no such service).
#pragma once

#include <string>

enum disk_service_status {
    DISK_SERVICE_OK = 0,
    DISK_SERVICE_ABSENT,    // no system bus, or no disk service on it
    DISK_SERVICE_REFUSED,   // authorisation refused or dismissed
    DISK_SERVICE_NO_AGENT,  // authorisation needed, but no agent could ask for it
    DISK_SERVICE_FAILED,    // any other error, or an answer that makes no sense
};

// Whether the disk service runs on the system bus (or can be started on
// demand). Asked of the bus once; the answer holds for the process.
bool disk_service_present();

// Opens the whole disk at disk_path through the service. writable: read-write
// and exclusive, after every file system the service reports mounted on the
// disk or one of its partitions is unmounted; otherwise read-only, leaving
// mounts and other users alone. On success *fd is a descriptor the caller
// owns and *block_object names the disk for disk_service_rescan; otherwise
// *message says what went wrong.
disk_service_status disk_service_open(const std::string &disk_path, bool writable, int *fd,
                                      std::string *block_object, std::string *message);

// A program without a desktop around it (the command line): when the
// service needs authorisation that no agent asks for, start polkit's text
// agent (pkttyagent, where installed) so the user is asked in the terminal.
void disk_service_allow_text_agent();

// Has the service read the disk's partition table again.
disk_service_status disk_service_rescan(const std::string &block_object, std::string *message);
