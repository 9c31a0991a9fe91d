#include "platform/serial.h"

#include <windows.h>
// After windows.h, which these need.
#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>

#include "platform/internal_windows.h"
#include "platform/serial_ids.h"

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

// Windows names its serial ports COM1, COM2, ...: the list holds those names,
// which the user passes on as they are and which stay with an adapter across
// replugging; there is no by-id link. The friendly name and the USB facts come
// from the Ports device class (SetupAPI).
// The number of "COMn", 0 for any other name.
unsigned com_number(const std::wstring &name) {
    if (name.size() < 4 || name.size() > 6) return 0;
    if (std::towupper(name[0]) != L'C' || std::towupper(name[1]) != L'O' ||
        std::towupper(name[2]) != L'M')
        return 0;
    unsigned n = 0;
    for (size_t i = 3; i < name.size(); i++) {
        if (name[i] < L'0' || name[i] > L'9') return 0;
        n = n * 10 + static_cast<unsigned>(name[i] - L'0');
    }
    return n;
}

// Ports whose driver is loaded register here, whatever their name.
void ports_in_registry(std::set<unsigned> *numbers) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; i++) {
        wchar_t value_name[256];
        DWORD name_length = 256;
        wchar_t data[64];
        DWORD data_bytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        LONG status = RegEnumValueW(key, i, value_name, &name_length, nullptr, &type,
                                    reinterpret_cast<BYTE *>(data), &data_bytes);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || type != REG_SZ) continue;
        data[data_bytes / sizeof(wchar_t)] = L'\0';  // stored strings need not end in one
        if (unsigned n = com_number(data)) numbers->insert(n);
    }
    RegCloseKey(key);
}

// Some virtual and Bluetooth ports appear only as DOS device names.
void ports_in_dos_devices(std::set<unsigned> *numbers) {
    std::wstring names(16384, L'\0');
    for (;;) {
        DWORD got = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
        if (got != 0) {
            names.resize(got);
            break;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || names.size() > (1u << 22)) return;
        names.resize(names.size() * 2);
    }
    // A list of names, each ending in a null character.
    for (size_t at = 0; at < names.size();) {
        size_t end = names.find(L'\0', at);
        if (end == std::wstring::npos) end = names.size();
        if (unsigned n = com_number(names.substr(at, end - at))) numbers->insert(n);
        at = end + 1;
    }
}

// What the Ports class knows of one present port.
struct port_facts {
    std::string friendly_name, usb_vendor, usb_product, usb_serial;
};

// A text property of the device; a list property's first entry.
std::string device_property(HDEVINFO set, SP_DEVINFO_DATA *device, DWORD property) {
    wchar_t buffer[512]{};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, property, &type,
                                           reinterpret_cast<BYTE *>(buffer),
                                           sizeof buffer - 2 * sizeof(wchar_t), nullptr) ||
        (type != REG_SZ && type != REG_MULTI_SZ))
        return "";
    return narrow_to_utf8(buffer);
}

std::string instance_id(DEVINST instance) {
    wchar_t id[MAX_DEVICE_ID_LEN + 1]{};
    if (CM_Get_Device_IDW(instance, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return "";
    return narrow_to_utf8(id);
}

// The port's COM number from its device key's PortName, 0 when none.
unsigned port_number(HDEVINFO set, SP_DEVINFO_DATA *device) {
    HKEY key = SetupDiOpenDevRegKey(set, device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return 0;
    wchar_t name[64]{};
    DWORD bytes = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    LONG status = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE *>(name),
                                   &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return 0;
    name[bytes / sizeof(wchar_t)] = L'\0';  // stored strings need not end in one
    return com_number(name);
}

void ports_in_device_class(std::set<unsigned> *numbers, std::map<unsigned, port_facts> *facts) {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); i++) {
        unsigned n = port_number(set, &device);
        if (n == 0) continue;  // a printer port
        numbers->insert(n);
        port_facts &f = (*facts)[n];
        f.friendly_name = device_property(set, &device, SPDRP_FRIENDLYNAME);
        std::string vendor, product;
        if (!usb_ids_from_hardware_id(device_property(set, &device, SPDRP_HARDWAREID), &vendor,
                                      &product))
            continue;
        f.usb_vendor = usb_id_text(vendor, device_property(set, &device, SPDRP_MFG));
        f.usb_product = usb_id_text(product, device_property(set, &device, SPDRP_DEVICEDESC));
        // A modem-class port is the USB device itself; a bus driver's port
        // (FTDIBUS\...) or a composite device's interface sits below it.
        f.usb_serial = usb_serial_from_instance_id(instance_id(device.DevInst));
        DEVINST parent = 0;
        if (f.usb_serial.empty() && CM_Get_Parent(&parent, device.DevInst, 0) == CR_SUCCESS)
            f.usb_serial = usb_serial_from_instance_id(instance_id(parent));
    }
    SetupDiDestroyDeviceInfoList(set);
}

std::string system_message(DWORD error) {
    wchar_t *text = nullptr;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::string out = n != 0 && text != nullptr ? narrow_to_utf8(text) : "";
    if (text != nullptr) LocalFree(text);
    while (!out.empty() &&
           (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out.empty() ? "system error " + std::to_string(error) : out;
}

// A COM port admits one handle at a time: another program holding it makes
// the open fail with "access denied".
std::string open_failure(const std::string &path, DWORD error) {
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_BUSY)
        return path + ": in use by another program";
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return path + ": no such port (`vmk ports` lists the serial ports)";
    return path + ": " + system_message(error);
}

HANDLE open_port(const std::string &device) {
    std::wstring wide = widen_utf8(device.c_str());
    if (wide.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
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

std::vector<serial_port_info> serial_port_list() {
    std::set<unsigned> numbers;
    std::map<unsigned, port_facts> facts;
    ports_in_registry(&numbers);
    ports_in_dos_devices(&numbers);
    ports_in_device_class(&numbers, &facts);
    std::vector<serial_port_info> ports;
    for (unsigned n : numbers) {
        serial_port_info p;
        p.path = "COM" + std::to_string(n);
        if (auto f = facts.find(n); f != facts.end()) {
            p.friendly_name = f->second.friendly_name;
            p.usb_vendor = f->second.usb_vendor;
            p.usb_product = f->second.usb_product;
            p.usb_serial = f->second.usb_serial;
        }
        std::string device = serial_os_device_name(p.path.c_str());
        // Opening is the only way to learn whether the port is free; the
        // handle is closed again at once.
        HANDLE h = open_port(device);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            p.can_open = true;
        } else {
            p.problem = open_failure(p.path, GetLastError());
        }
        ports.push_back(p);
    }
    return ports;
}

// There is no /sys or /dev to stand in for on Windows: the test roots name
// nothing here, and the list is empty.
std::vector<serial_port_info> serial_port_list(const std::string &, const std::string &,
                                               const serial_port_user *) {
    return {};
}

void serial_system_roots_use(const serial_system_roots &) {}

bool serial_port_exists(const std::string &name) {
    const char *bare = name.c_str();
    if (strncmp(bare, DEVICE_PREFIX, sizeof DEVICE_PREFIX - 1) == 0) bare += sizeof DEVICE_PREFIX - 1;
    std::wstring wide = widen_utf8(bare);
    wchar_t target[1024];
    return !wide.empty() && QueryDosDeviceW(wide.c_str(), target, 1024) != 0;
}

// Windows does not tell which program holds a COM port.
std::string serial_port_open_problem(const std::string &path, const serial_system_roots &) {
    return serial_port_open_problem(path);
}

std::string serial_port_open_problem(const std::string &path) {
    HANDLE h = open_port(serial_os_device_name(path.c_str()));
    if (h == INVALID_HANDLE_VALUE) return open_failure(path, GetLastError());
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    std::string problem = GetCommState(h, &dcb)
                              ? path + ": the port opened but its line settings could not be set"
                              : path + ": not a serial port";
    CloseHandle(h);
    return problem;
}
