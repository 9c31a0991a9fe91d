#include "platform/serial.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/internal_posix.h"
#include "platform/serial_ids.h"

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

namespace fs = std::filesystem;

namespace {

bool has_prefix(const std::string &s, const char *prefix) { return s.rfind(prefix, 0) == 0; }

// ttyS ports exist for every possible legacy UART; only those whose type is
// not 0 (unknown) have hardware behind them. Other serial drivers' ports
// (ttyAMA0 on ARM boards, ttymxc0, ...) have a device behind them, which
// virtual consoles, ptmx and pseudo-terminals lack.
bool is_wanted(const fs::path &tty_dir, const std::string &name) {
    if (has_prefix(name, "ttyUSB") || has_prefix(name, "ttyACM")) return true;
    if (has_prefix(name, "ttyS")) {
        std::string type = sysfs_first_line(tty_dir / "type");
        return !type.empty() && type != "0";
    }
    std::error_code ec;
    return has_prefix(name, "tty") && fs::exists(tty_dir / "device", ec);
}

// The USB device sits some levels above the tty's device (the interface):
// the first folder upward that has an idVendor.
void read_usb(const fs::path &tty_dir, serial_port_info *p) {
    std::error_code ec;
    fs::path dir = fs::canonical(tty_dir / "device", ec);
    if (ec) return;
    for (int up = 0; up < 4 && !dir.empty(); up++, dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor", ec)) continue;
        p->usb_vendor =
            usb_id_text(sysfs_first_line(dir / "idVendor"), sysfs_first_line(dir / "manufacturer"));
        p->usb_product =
            usb_id_text(sysfs_first_line(dir / "idProduct"), sysfs_first_line(dir / "product"));
        p->usb_serial = sysfs_first_line(dir / "serial");
        return;
    }
}

std::string find_by_id(const fs::path &by_id_dir, const fs::path &node) {
    std::error_code ec;
    fs::path target = fs::weakly_canonical(node, ec);
    for (const fs::directory_entry &e : fs::directory_iterator(by_id_dir, ec)) {
        std::error_code ec2;
        if (fs::weakly_canonical(e.path(), ec2) == target && !ec2) return e.path().string();
    }
    return "";
}

serial_port_user current_user() {
    serial_port_user u;
    u.uid = geteuid();
    u.groups.push_back(getegid());
    int n = getgroups(0, nullptr);
    if (n > 0) {
        std::vector<gid_t> g(static_cast<size_t>(n));
        n = getgroups(n, g.data());
        for (int i = 0; i < n; i++) u.groups.push_back(g[static_cast<size_t>(i)]);
    }
    return u;
}

std::string group_name(unsigned gid) {
    group *g = getgrgid(gid);
    return g != nullptr ? g->gr_name : std::to_string(gid);
}

std::string permission_fix(const std::string &path, unsigned gid) {
    std::string group = group_name(gid);
    return "permission denied on " + path + ": add yourself to the group '" + group +
           "' (sudo adduser $USER " + group + "), then log out and in again";
}

// Decided from the mode bits, as the kernel would for open(O_RDWR).
bool may_read_write(const struct stat &st, const serial_port_user &u) {
    if (u.uid == 0) return true;
    mode_t need;
    if (st.st_uid == u.uid)
        need = S_IRUSR | S_IWUSR;
    else if (std::find(u.groups.begin(), u.groups.end(), st.st_gid) != u.groups.end())
        need = S_IRGRP | S_IWGRP;
    else
        need = S_IROTH | S_IWOTH;
    return (st.st_mode & need) == need;
}

void check_access(const std::string &path, const serial_port_user &u, serial_port_info *p) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        p->problem = path + ": " + strerror(errno);
        return;
    }
    p->can_open = may_read_write(st, u);
    if (!p->can_open) p->problem = permission_fix(path, st.st_gid);
}

}  // namespace

std::vector<serial_port_info> serial_port_list(const std::string &sys_class_tty,
                                               const std::string &dev,
                                               const serial_port_user *user) {
    serial_port_user who = user != nullptr ? *user : current_user();
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry &e : fs::directory_iterator(sys_class_tty, ec)) {
        std::string name = e.path().filename().string();
        if (is_wanted(e.path(), name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<serial_port_info> ports;
    for (const std::string &name : names) {
        serial_port_info p;
        p.path = dev + "/" + name;
        if (!fs::exists(p.path, ec)) continue;  // no node: nothing to open
        p.by_id = find_by_id(fs::path(dev) / "serial" / "by-id", p.path);
        read_usb(fs::path(sys_class_tty) / name, &p);
        check_access(p.path, who, &p);
        ports.push_back(p);
    }
    return ports;
}

namespace {

// Where the calls without roots look; changed by tests only, before any
// listing runs, so worker threads read it unguarded.
serial_system_roots &process_roots() {
    static serial_system_roots roots;
    return roots;
}

}  // namespace

void serial_system_roots_use(const serial_system_roots &roots) { process_roots() = roots; }

std::vector<serial_port_info> serial_port_list() {
    return serial_port_list(process_roots().sys_class_tty, process_roots().dev);
}

bool serial_port_exists(const std::string &name) {
    std::error_code ec;
    fs::path node = fs::canonical(serial_os_device_name(name.c_str()), ec);
    if (ec) return false;
    std::string leaf = node.filename().string();
    return !has_prefix(leaf, "ttyS") || is_wanted(fs::path(process_roots().sys_class_tty) / leaf, leaf);
}

namespace {

// A process as "minicom (pid 812)" from its /proc folder; brltty noted.
std::string process_text(const fs::path &proc, const std::string &pid, bool *brltty) {
    std::string name = sysfs_first_line(proc / pid / "comm");
    if (name == "brltty") *brltty = true;
    return (name.empty() ? "a program" : name) + " (pid " + pid + ")";
}

// Who holds the advisory lock on the node: /proc/locks lines such as
// "1: FLOCK  ADVISORY  WRITE 812 00:1b:3 0 EOF" name the process and the
// locked file as major:minor (hex) of its file system and inode.
std::vector<std::string> lock_holders(const struct stat &node, const fs::path &proc, bool *brltty) {
    char file[64];
    snprintf(file, sizeof file, "%02x:%02x:%llu", major(node.st_dev), minor(node.st_dev),
             static_cast<unsigned long long>(node.st_ino));
    std::vector<std::string> found;
    std::ifstream locks(proc / "locks");
    std::string number, kind, mode, access, pid, id;
    std::string rest;
    while (locks >> number >> kind) {
        // "->" marks a process waiting for the lock, not holding it.
        if (kind == "->" || !(locks >> mode >> access >> pid >> id)) {
            std::getline(locks, rest);
            continue;
        }
        std::getline(locks, rest);
        // An open-file-description lock has no owning process (pid -1).
        if (id == file && pid != "-1") found.push_back(process_text(proc, pid, brltty));
    }
    return found;
}

// The processes with the node open: each /proc/PID/fd entry is a link to
// what the descriptor has open. Other users' processes are hidden from a
// normal user and simply not found.
std::vector<std::string> openers(const fs::path &node, const fs::path &proc, bool *brltty) {
    std::vector<std::string> found;
    std::error_code ec;
    for (const fs::directory_entry &pid : fs::directory_iterator(proc, ec)) {
        std::string id = pid.path().filename().string();
        if (id.empty() || strspn(id.c_str(), "0123456789") != id.size()) continue;
        std::error_code ec2;
        for (const fs::directory_entry &fd : fs::directory_iterator(pid.path() / "fd", ec2)) {
            std::error_code ec3;
            if (fs::read_symlink(fd.path(), ec3) != node || ec3) continue;
            found.push_back(process_text(proc, id, brltty));
            break;
        }
    }
    return found;
}

// The lock's holder when there is one (a port with a lock is busy because
// of it), else every process that has the node open.
std::vector<std::string> holders_of(const std::string &path, const fs::path &proc, bool *brltty) {
    std::error_code ec;
    fs::path node = fs::canonical(path, ec);
    struct stat st;
    if (ec || stat(node.c_str(), &st) != 0) return {};
    std::vector<std::string> found = lock_holders(st, proc, brltty);
    if (found.empty()) found = openers(node, proc, brltty);
    std::sort(found.begin(), found.end());
    return found;
}

bool brltty_installed(const fs::path &root) {
    std::error_code ec;
    for (const char *bin : {"usr/bin/brltty", "bin/brltty", "usr/sbin/brltty", "sbin/brltty"})
        if (fs::exists(root / bin, ec)) return true;
    return false;
}

// brltty claims some USB serial chips it takes for braille displays the
// moment they are plugged in: the ttyUSB node vanishes or stays busy.
std::string brltty_advice() {
    return "; brltty (the braille display service) takes some USB serial adapters right after they "
           "are plugged in: without a braille display, stop it with `sudo systemctl mask --now "
           "brltty-udev.service brltty.service` (or `sudo apt remove brltty`) and plug the "
           "adapter in again";
}

bool usb_serial_name(const std::string &path) {
    std::string name = fs::path(path).filename().string();
    return has_prefix(name, "ttyUSB") || has_prefix(name, "ttyACM") ||
           path.find("/serial/by-id/") != std::string::npos;
}

std::string busy_text(const std::string &path, const serial_system_roots &roots) {
    bool brltty = false;
    std::vector<std::string> holders = holders_of(path, roots.proc, &brltty);
    std::string who;
    for (const std::string &h : holders) who += (who.empty() ? "" : ", ") + h;
    return path + ": in use by " + (who.empty() ? "another program" : who) +
           (brltty ? brltty_advice() : "");
}

}  // namespace

std::string serial_port_open_problem(const std::string &path) {
    return serial_port_open_problem(path, process_roots());
}

std::string serial_port_open_problem(const std::string &path, const serial_system_roots &roots) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        int e = errno;
        if (e == ENOENT)
            return path + ": no such port (`vmk ports` lists the serial ports)" +
                   (usb_serial_name(path) && brltty_installed(roots.root) ? brltty_advice() : "");
        if (e == EACCES || e == EPERM) {
            struct stat st;
            return permission_fix(path, stat(path.c_str(), &st) == 0 ? st.st_gid : 20);
        }
        if (e == EBUSY) return busy_text(path, roots);
        // Legacy ttyS nodes exist for UARTs that are not there.
        if (e == EIO || e == ENXIO || e == ENODEV)
            return path + ": no serial port behind this name (`vmk ports` lists the serial ports)";
        return path + ": " + strerror(e);
    }
    const bool tty = isatty(fd), locked = tty && flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);  // before looking for holders, which would find this probe
    if (!tty) return path + ": not a serial port";
    if (locked) return busy_text(path, roots);
    return path + ": the port opened but its line settings could not be set";
}
