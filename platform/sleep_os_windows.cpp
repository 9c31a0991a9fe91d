#include <windows.h>

#include "platform/sleep_os.h"

void sleep_os_ms(unsigned milliseconds) { Sleep(milliseconds); }
