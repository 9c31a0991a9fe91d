// The system side of disk_open: turns a drive-table entry into an open
// sector store, with the user's messages for what went wrong.
#pragma once

#include <string>

#include "card/store/sector_store.h"
#include "core/log.h"

// A removable disk by kernel name, read-only unless writable. lock: unmount
// all of it first. Silent (no message) when the disk is no card candidate or
// holds no medium.
sector_store *open_card_device(log_sink *log, const std::string &name, bool writable, bool lock);
sector_store *open_card_image(log_sink *log, const std::string &path);
