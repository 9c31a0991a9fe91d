#include <windows.h>

#include <cstring>

#include "platform/serial_os.h"

struct serial_os {
    HANDLE handle;
};

namespace {

constexpr const char DEVICE_PREFIX[] = "\\\\.\\";
// The longest joined name the port layer accepts (e.g. "\\.\COM256" fits
// with room to spare).
constexpr size_t DEVICE_NAME_MAX = 22;

bool configure(HANDLE h, long baud, int parity, int data_bits) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) return false;
    // Only speed, parity, data bits and stop bits change: flow control and
    // the rest stay as the driver has them.
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = static_cast<BYTE>(data_bits);
    dcb.StopBits = ONESTOPBIT;
    switch (parity) {
        case 0: dcb.Parity = NOPARITY; dcb.fParity = FALSE; break;
        case 1: dcb.Parity = EVENPARITY; dcb.fParity = TRUE; break;
        case 2: dcb.Parity = ODDPARITY; dcb.fParity = TRUE; break;
        default: return false;
    }
    if (!SetCommState(h, &dcb)) return false;
    // A read returns at once with what has arrived; a write waits until
    // every byte is out.
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    return SetCommTimeouts(h, &t) != 0;
}

}  // namespace

std::string serial_os_device_name(const char *name) {
    if (strncmp(name, DEVICE_PREFIX, sizeof DEVICE_PREFIX - 1) == 0) return name;
    return std::string(DEVICE_PREFIX) + name;
}

serial_os *serial_os_open(const char *name, long baud, int parity, int data_bits) {
    std::string path = serial_os_device_name(name);
    if (path.size() > DEVICE_NAME_MAX || baud <= 0 || data_bits < 5 || data_bits > 8) return nullptr;
    // Share mode 0: nobody else, this program included, opens it meanwhile.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    if (!configure(h, baud, parity, data_bits)) {
        CloseHandle(h);
        return nullptr;
    }
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return new serial_os{h};
}

void serial_os_close(serial_os *port) {
    if (port == nullptr) return;
    CloseHandle(port->handle);
    delete port;
}

long serial_os_write(serial_os *port, const void *data, size_t n) {
    const char *p = static_cast<const char *>(data);
    size_t done = 0;
    while (done < n) {
        DWORD chunk = static_cast<DWORD>(n - done > 0x10000 ? 0x10000 : n - done);
        DWORD written = 0;
        if (!WriteFile(port->handle, p + done, chunk, &written, nullptr)) {
            return done > 0 ? static_cast<long>(done) : -1;
        }
        if (written == 0) break;
        done += written;
    }
    return static_cast<long>(done);
}

long serial_os_read_available(serial_os *port, void *buffer, size_t n) {
    DWORD chunk = static_cast<DWORD>(n > 0x10000 ? 0x10000 : n);
    DWORD got = 0;
    if (!ReadFile(port->handle, buffer, chunk, &got, nullptr)) return -1;
    return static_cast<long>(got);
}

// No waitable "bytes arrived" without overlapped I/O: the driver's input
// count is polled, sleeping a millisecond while it is empty.
bool serial_os_wait_readable(serial_os *port, int milliseconds) {
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        // A driver without the query: let the read itself tell.
        if (!ClearCommError(port->handle, &errors, &status)) return true;
        if (status.cbInQue > 0) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(1);
    }
}
