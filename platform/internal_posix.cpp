#include "platform/internal_posix.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <fstream>

namespace {

// Linux moves at most about 2 GiB per call; asking for less keeps the
// arithmetic in range on every system.
constexpr uint64_t MAX_PER_CALL = 1u << 30;

template <typename Transfer>
int whole(uint64_t bytes, uint64_t offset, Transfer transfer) {
    uint64_t done = 0;
    while (done < bytes) {
        uint64_t want = bytes - done < MAX_PER_CALL ? bytes - done : MAX_PER_CALL;
        ssize_t n = transfer(done, static_cast<size_t>(want), static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        done += static_cast<uint64_t>(n);
    }
    return 0;
}

}  // namespace

int pread_whole(int fd, void *buffer, uint64_t bytes, uint64_t offset) {
    auto *out = static_cast<char *>(buffer);
    return whole(bytes, offset,
                 [&](uint64_t done, size_t n, off_t at) { return pread(fd, out + done, n, at); });
}

int pwrite_whole(int fd, const void *buffer, uint64_t bytes, uint64_t offset) {
    const auto *in = static_cast<const char *>(buffer);
    return whole(bytes, offset,
                 [&](uint64_t done, size_t n, off_t at) { return pwrite(fd, in + done, n, at); });
}

std::string sysfs_first_line(const std::filesystem::path &path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    size_t start = 0;
    while (start < line.size() && isspace(static_cast<unsigned char>(line[start]))) start++;
    return line.substr(start);
}

bool serial_set_speed(int fd, long baud) {
    struct termios2 tio;
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~CBAUD;
    tio.c_cflag |= BOTHER;
    tio.c_cflag &= ~(CBAUD << IBSHIFT);
    tio.c_cflag |= BOTHER << IBSHIFT;
    tio.c_ispeed = static_cast<speed_t>(baud);
    tio.c_ospeed = static_cast<speed_t>(baud);
    return ioctl(fd, TCSETS2, &tio) == 0;
}
