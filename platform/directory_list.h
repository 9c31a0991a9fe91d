// Listing the names in a directory. POSIX: directory_list_posix.cpp.
#pragma once

// Calls visit with each name in the directory (the name in UTF-8; "." and
// ".." may be among them) until visit returns false. False when the
// directory cannot be read.
bool directory_list(const char *path, bool (*visit)(void *user, const char *name), void *user);
