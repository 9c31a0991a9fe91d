// Sleeping through one seam so tests can make long waits (the 13.5 s
// calibration measurement, the reset pause) instant.
#pragma once

void platform_sleep_ms(unsigned milliseconds);

// Replaces the real sleep; nullptr restores it. Set it before commands run.
void platform_set_sleep_hook(void (*hook)(unsigned milliseconds));
