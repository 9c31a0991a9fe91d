#pragma once
// Sets input and output speed; uses the kernel's arbitrary-speed interface
// for rates that have no fixed constant. Kept apart because <asm/termbits.h>
// cannot share a translation unit with <termios.h>.
bool serial_set_speed(int fd, long baud);
