#include "tools/board_emulator/board_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

double now_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleep_until_seconds(double t) {
    double d = t - now_seconds();
    if (d > 0) std::this_thread::sleep_for(std::chrono::duration<double>(d));
}

constexpr uint8_t REPLY_ACCEPT = 0x24;
constexpr uint8_t ACK = '#';

}  // namespace

board_emulator::board_emulator(emu_options options)
    : options_(options), bkram_(BKRAM_SIZE, 0xFF), gpram_(GPRAM_SIZE, 0), clock_config_(66, 0) {}

board_emulator::~board_emulator() { stop(); }

bool board_emulator::start() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return false;
    char name[128];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname_r(master_, name, sizeof name) != 0) {
        close(master_);
        master_ = -1;
        return false;
    }
    port_path_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ >= 0) {
        // Raw until the host configures it, so nothing echoes back to us.
        termios tio;
        if (tcgetattr(slave_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(slave_, TCSANOW, &tio);
        }
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
    return true;
}

void board_emulator::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
    slave_ = master_ = -1;
}

void board_emulator::pace(double &clock, size_t n) {
    if (!options_.paced) return;
    double start = std::max(clock, now_seconds());
    clock = start + static_cast<double>(n) / static_cast<double>(options_.bytes_per_second);
    sleep_until_seconds(clock);
}

bool emu_link::read_exact(void *buffer, size_t n) {
    uint8_t *p = static_cast<uint8_t *>(buffer);
    size_t have = 0;
    while (have < n) {
        if (board_.stopping_) return false;
        ssize_t r = read(board_.master_, p + have, n - have);
        if (r > 0) {
            have += static_cast<size_t>(r);
            continue;
        }
        pollfd pfd{board_.master_, POLLIN, 0};
        poll(&pfd, 1, 20);
    }
    board_.pace(board_.wire_in_, n);
    return true;
}

bool emu_link::bytes_waiting() {
    pollfd pfd{board_.master_, POLLIN, 0};
    return poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN);
}

bool emu_link::send(const void *data, size_t n, bool data_bytes) {
    emu_faults f = board_.faults();
    if (f.silent) return true;
    if (f.reply_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(f.reply_delay_ms));
    const uint8_t *p = static_cast<const uint8_t *>(data);
    if (data_bytes && f.stop_after_bytes >= 0) {
        std::lock_guard<std::mutex> lock(board_.mutex_);
        long allowed = std::max(0L, f.stop_after_bytes - board_.data_sent_);
        n = std::min(n, static_cast<size_t>(allowed));
        board_.data_sent_ += static_cast<long>(n);
    }
    // Paced output goes out in small slices so the host sees a steady stream.
    size_t slice = board_.options_.paced ? 256 : n;
    for (size_t done = 0; done < n;) {
        size_t len = std::min(slice, n - done);
        board_.pace(board_.wire_out_, len);
        size_t sent = 0;
        while (sent < len) {
            if (board_.stopping_) return false;
            ssize_t w = write(board_.master_, p + done + sent, len - sent);
            if (w > 0) {
                sent += static_cast<size_t>(w);
            } else {
                pollfd pfd{board_.master_, POLLOUT, 0};
                poll(&pfd, 1, 20);
            }
        }
        done += len;
    }
    return true;
}

void board_emulator::run() {
    emu_link link(*this);
    uint8_t command;
    while (link.read_byte(command)) {
        if (command == 'W' || command == 'R') {
            uint8_t h[4];
            if (!link.read_exact(h, 4)) return;
            serve_block(command, h);
        } else if (command == 'P') {
            serve_page_program();
        } else if (command == 'F') {
            uint8_t sub;
            if (!link.read_byte(sub)) return;
            if (sub == 0x02 && hooks.frame_capture) hooks.frame_capture(link);
        }
        // Anything else is line noise to the board: ignored.
    }
}

void board_emulator::serve_block(uint8_t command, const uint8_t h[4]) {
    int port = h[0] >> 5;
    unsigned address = (h[0] & 0x1Fu) | (static_cast<unsigned>(h[1]) << 5);
    unsigned length = h[2] | (static_cast<unsigned>(h[3]) << 8);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        headers_.push_back({command, h[0], h[1], h[2], h[3]});
    }
    emu_link link(*this);
    emu_faults f = faults();
    if (f.bad_header_reply >= 0) {
        link.send_byte(static_cast<uint8_t>(f.bad_header_reply));
        return;
    }
    link.send_byte(REPLY_ACCEPT);
    if (command == 'W')
        serve_write(port, address, length);
    else
        serve_read(port, address, length);
}

void board_emulator::serve_write(int port, unsigned address, unsigned length) {
    emu_link link(*this);
    std::vector<uint8_t> data(length);
    for (unsigned done = 0; done < length;) {
        unsigned chunk = std::min(256u, length - done);
        if (!link.read_exact(data.data() + done, chunk)) return;
        done += chunk;
        if (link.bytes_waiting() && done < length) {
            std::lock_guard<std::mutex> lock(mutex_);
            chunk_violations_++;
        }
        // Recorded before the last acknowledgement: the host may look at what
        // the board holds the moment its write returns.
        if (done == length) apply_write(port, address, data);
        link.send_byte(ACK);
    }
    if (length == 0) apply_write(port, address, data);
    if (port == 7 && length == 2) {
        uint8_t response = hooks.bus_request ? hooks.bus_request(data[0], data[1]) : 0x00;
        if (!faults().bus_response_missing) link.send_byte(response);
    }
}

void board_emulator::serve_read(int port, unsigned address, unsigned length) {
    emu_link link(*this);
    std::vector<uint8_t> data = read_port(port, address, length);
    size_t n = data.size() - std::min(data.size(), faults().short_read_by);
    link.send(data.data(), n, true);
}

void board_emulator::serve_page_program() {
    emu_link link(*this);
    uint8_t a[2];
    if (!link.read_exact(a, 2)) return;
    link.send_byte(REPLY_ACCEPT);
    uint8_t page[256];
    if (!link.read_exact(page, 256)) return;
    uint32_t address = (static_cast<uint32_t>(a[0]) << 8) | (static_cast<uint32_t>(a[1]) << 16);
    link.send_byte(hooks.page_program ? hooks.page_program(address, page) : 0x40);
}

void board_emulator::apply_write(int port, unsigned address, const std::vector<uint8_t> &data) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (port) {
        case 0:
            control_writes_.insert(control_writes_.end(), data.begin(), data.end());
            break;
        case 2:
            for (size_t i = 0; i < data.size() && address + i < BKRAM_SIZE; i++) bkram_[address + i] = data[i];
            break;
        case 3:
            if (!data.empty()) gpram_bank_ = data.back();
            break;
        case 4: {
            size_t base = static_cast<size_t>(gpram_bank_ % 64) * 0x2000;
            for (size_t i = 0; i < data.size() && i < 0x2000; i++) gpram_[base + i] = data[i];
            break;
        }
        case 5:
            counter_writes_.insert(counter_writes_.end(), data.begin(), data.end());
            break;
        case 6:
            clock_config_ = data;
            break;
        case 7:
            if (data.size() == 2) bus_requests_.push_back({data[0], data[1]});
            break;
        default:
            break;
    }
}

std::vector<uint8_t> board_emulator::read_port(int port, unsigned address, unsigned length) {
    std::vector<uint8_t> out(length, 0);
    if (port == 7) {
        if (hooks.bus_data) hooks.bus_data(static_cast<size_t>(address) * 8192, out.data(), length);
        return out;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    switch (port) {
        case 1:
            if (length > 0) out[0] = options_.status;
            break;
        case 2:
            for (size_t i = 0; i < length && address + i < BKRAM_SIZE; i++) out[i] = bkram_[address + i];
            break;
        case 4: {
            size_t base = static_cast<size_t>(gpram_bank_ % 64) * 0x2000;
            for (size_t i = 0; i < length && i < 0x2000; i++) out[i] = gpram_[base + i];
            break;
        }
        case 5:
            for (size_t i = 0; i < length && i < 4; i++) out[i] = static_cast<uint8_t>(options_.counter >> (8 * i));
            break;
        default:
            break;
    }
    return out;
}

void board_emulator::set_faults(const emu_faults &f) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_ = f;
    data_sent_ = 0;
}

emu_faults board_emulator::faults() {
    std::lock_guard<std::mutex> lock(mutex_);
    return faults_;
}

void board_emulator::set_status(uint8_t status) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.status = status;
}

void board_emulator::set_counter(uint32_t counter) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.counter = counter;
}

#define EMU_GETTER(type, name, field)          \
    type board_emulator::name() {              \
        std::lock_guard<std::mutex> lock(mutex_); \
        return field;                          \
    }
EMU_GETTER(std::vector<uint8_t>, control_writes, control_writes_)
EMU_GETTER(std::vector<std::vector<uint8_t>>, headers, headers_)
EMU_GETTER(std::vector<uint8_t>, bkram, bkram_)
EMU_GETTER(std::vector<uint8_t>, gpram, gpram_)
EMU_GETTER(std::vector<uint8_t>, clock_config, clock_config_)
EMU_GETTER(std::vector<uint8_t>, counter_writes, counter_writes_)
EMU_GETTER(long, chunk_violations, chunk_violations_)
#undef EMU_GETTER

std::vector<std::pair<uint8_t, uint8_t>> board_emulator::bus_requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return bus_requests_;
}

void board_emulator::set_bkram(const std::vector<uint8_t> &bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < bytes.size() && i < BKRAM_SIZE; i++) bkram_[i] = bytes[i];
}

void board_emulator::set_gpram(size_t offset, const std::vector<uint8_t> &bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < bytes.size() && offset + i < GPRAM_SIZE; i++) gpram_[offset + i] = bytes[i];
}

void board_emulator::clear_log() {
    std::lock_guard<std::mutex> lock(mutex_);
    control_writes_.clear();
    headers_.clear();
    counter_writes_.clear();
    bus_requests_.clear();
    chunk_violations_ = 0;
}
