// The files an extract writes: each appears whole or not at all (written
// beside its target and moved over it at the end), and none replaces an
// existing file unless asked. Failures come with a message naming the file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/file_replace.h"
#include "core/log.h"

// folder joined with name ("/" added unless folder ends in a separator).
std::string extract_path(const std::string &folder, const std::string &name);

// True when none of names exists, or replace is set; else false, naming the
// first that does.
bool extract_files_absent(log_sink *log, const std::vector<std::string> &names, bool replace);

bool extract_file_begin(log_sink *log, file_replace *f, const std::string &name);
bool extract_file_write(log_sink *log, file_replace *f, const void *data, size_t length);
bool extract_file_commit(log_sink *log, file_replace *f);
