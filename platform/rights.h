// The rights raw card access needs. Linux: rights_linux.cpp.
#pragma once

// Whether the process runs with the system's full rights (root; an elevated
// administrator on Windows).
bool rights_are_full();

// Whether the process, with its effective rights, may read and write the
// device node at path (e.g. as a member of the group that owns it).
bool rights_allow_device_access(const char *path);
