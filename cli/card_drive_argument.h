// The drive argument of `vmk card`: a drive letter is passed on as it is; a
// card image path (see drive_argument_is_image) must name a regular file and
// is passed on made absolute. Card commands open it by that path.
#pragma once

#include <string>

#include "core/log.h"

// False, with the reason in the log, when the image cannot be registered.
bool resolve_card_drive_argument(log_sink *log, const char *argument, std::string *drive);
