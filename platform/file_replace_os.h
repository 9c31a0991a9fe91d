// The operating-system half of replacing a file: a fresh temporary file beside
// the target and an atomic move over it.
#pragma once

#include <cstdio>
#include <string>

// Creates a new, empty file in the target's folder whose name starts with the
// target's, opened for binary writing. Returns the stream and sets *temp_name,
// or nullptr when the folder refuses it or the target exists and may not be
// written.
FILE *file_os_create_beside(const char *target, std::string *temp_name);
// 1 after moving temp_name over target in one step (an existing target is
// replaced, never left half written), 0 otherwise.
int file_os_replace(const char *temp_name, const char *target);
// Removes a file; 0 when it could not be removed.
int file_os_remove(const char *name);
