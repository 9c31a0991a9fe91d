#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/serial_os.h"
#include "platform/serial_speed_linux.h"

struct serial_os {
    int fd;
};

std::string serial_os_device_name(const char *name) {
    if (name[0] == '/') return name;
    // COM1 to COM256, the range Windows numbers its ports in; only plain
    // digits ("COM 3", "COM+3" and "COM007" are ordinary names).
    const char *digits = name + 3;
    const size_t count = strlen(digits);
    if (strncmp(name, "COM", 3) == 0 && count >= 1 && count <= 3 && digits[0] != '0' &&
        strspn(digits, "0123456789") == count) {
        const int n = atoi(digits);
        if (n <= 256) return "/dev/ttyS" + std::to_string(n - 1);
    }
    if (strchr(name, '/') == nullptr) return std::string("/dev/") + name;
    return name;
}

static bool configure(int fd, long baud, int parity, int data_bits) {
    termios tio;
    if (tcgetattr(fd, &tio) != 0) return false;
    // Raw: no echo, no line editing, no signals, no CR/LF or other translation
    // either way, so binary data passes unchanged. Software flow control goes
    // too: it would swallow the data bytes 0x11 and 0x13. Hardware flow control
    // (CRTSCTS) stays as the driver has it.
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL |
                     IXON | IXOFF | IXANY);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
    tio.c_cflag |= CREAD | CLOCAL;
    switch (data_bits) {
        case 5: tio.c_cflag |= CS5; break;
        case 6: tio.c_cflag |= CS6; break;
        case 7: tio.c_cflag |= CS7; break;
        case 8: tio.c_cflag |= CS8; break;
        default: return false;
    }
    tio.c_iflag &= ~(INPCK);
    if (parity == 1) {
        tio.c_cflag |= PARENB;
        tio.c_iflag |= INPCK;
    } else if (parity == 2) {
        tio.c_cflag |= PARENB | PARODD;
        tio.c_iflag |= INPCK;
    } else if (parity != 0) {
        return false;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    return serial_set_speed(fd, baud);
}

serial_os *serial_os_open(const char *name, long baud, int parity, int data_bits) {
    std::string path = serial_os_device_name(name);
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    // Exclusive use: the advisory lock keeps out other well-behaved programs
    // and a second dispatch of our own; TIOCEXCL keeps out other openers.
    if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0 ||
        !configure(fd, baud, parity, data_bits)) {
        close(fd);
        return nullptr;
    }
    tcflush(fd, TCIOFLUSH);
    return new serial_os{fd};
}

void serial_os_close(serial_os *port) {
    if (port == nullptr) return;
    ioctl(port->fd, TIOCNXCL);
    close(port->fd);
    delete port;
}

long serial_os_write(serial_os *port, const void *data, size_t n) {
    const unsigned char *p = static_cast<const unsigned char *>(data);
    size_t done = 0;
    int stalls = 0;
    while (done < n) {
        ssize_t w = write(port->fd, p + done, n - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
            stalls = 0;
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno != EAGAIN) return done > 0 ? static_cast<long>(done) : -1;
        // The driver's buffer is full: wait for room, but give up on a device
        // that takes nothing for a long time instead of hanging forever.
        pollfd pfd{port->fd, POLLOUT, 0};
        if (poll(&pfd, 1, 100) == 0 && ++stalls >= 50) break;
    }
    return static_cast<long>(done);
}

long serial_os_read_available(serial_os *port, void *buffer, size_t n) {
    for (;;) {
        ssize_t r = read(port->fd, buffer, n);
        if (r >= 0) return r;
        if (errno == EINTR) continue;
        if (errno == EAGAIN) return 0;
        return -1;
    }
}

bool serial_os_wait_readable(serial_os *port, int milliseconds) {
    pollfd pfd{port->fd, POLLIN, 0};
    return poll(&pfd, 1, milliseconds) > 0;
}
