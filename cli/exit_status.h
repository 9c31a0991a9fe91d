// The command line's exit status of a command's status (core/status.h):
// 0 done, 1 failed, 2 unknown command or arguments that do not fit.
#pragma once

int exit_status(int status);
