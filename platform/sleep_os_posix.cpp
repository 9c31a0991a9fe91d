#include <ctime>

#include "platform/sleep_os.h"

void sleep_os_ms(unsigned milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}
