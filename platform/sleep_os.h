// The system's own sleep, behind platform_sleep_ms and its test hook.
// POSIX: sleep_os_posix.cpp; Windows: sleep_os_windows.cpp.
#pragma once

void sleep_os_ms(unsigned milliseconds);
