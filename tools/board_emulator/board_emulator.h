// An emulator of the board's side of the wire protocol, serving a
// pseudo-terminal so that device commands run end to end over a real tty.
// Used by the tests in-process and runnable by a person (board-emulator).
//
// Threading: the emulator answers on its own thread; the accessors below take
// a lock and may be called from any thread while it runs. Hooks are set before
// start() and then called on the emulator's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct emu_faults {
    bool silent = false;           // read everything, answer nothing
    int bad_header_reply = -1;     // a byte sent instead of '$' to every header
    int reply_delay_ms = 0;        // pause before each reply
    long stop_after_bytes = -1;    // go silent after sending this many data bytes
    size_t short_read_by = 0;      // block reads send this many bytes fewer than asked
    int bus_response_missing = 0;  // no response byte after a bus request
    long ack_limit = -1;           // block write chunks acknowledged before going silent
};

struct emu_options {
    bool paced = false;               // hold both directions to the wire's rate
    long bytes_per_second = 50000;    // 500000 baud, 8N1
    uint8_t status = 0x30;            // port 1: version nibble 3, no HuCard
    uint32_t counter = 0;             // port 5 read value (23-bit count)
};

class board_emulator;

// The byte link the protocol handlers talk through; it applies pacing, faults
// and the stop flag.
class emu_link {
public:
    explicit emu_link(board_emulator &board) : board_(board) {}
    bool read_exact(void *buffer, size_t n);
    bool read_byte(uint8_t &b) { return read_exact(&b, 1); }
    // Sends data bytes (counted for stop_after_bytes) or protocol bytes.
    bool send(const void *data, size_t n, bool data_bytes = false);
    bool send_byte(uint8_t b) { return send(&b, 1); }
    bool bytes_waiting();

private:
    board_emulator &board_;
};

// Later-built features plug in here.
struct emu_hooks {
    // A HuC6280 bus request [request, argument] was made. Returns the
    // response byte. Afterwards data(offset, out, len) fills the bytes the host
    // reads in pieces through port 7.
    std::function<uint8_t(uint8_t request, uint8_t argument)> bus_request;
    std::function<void(size_t offset, uint8_t *out, size_t len)> bus_data;
    // 'P' page program: returns the reply byte (0x40 for done).
    std::function<uint8_t(uint32_t address, const uint8_t *page)> page_program;
    // 'F' 0x02: streams one frame capture over the link.
    std::function<void(emu_link &link)> frame_capture;
};

class board_emulator {
public:
    explicit board_emulator(emu_options options = {});
    ~board_emulator();
    board_emulator(const board_emulator &) = delete;
    board_emulator &operator=(const board_emulator &) = delete;

    emu_hooks hooks;

    bool start();  // opens the pseudo-terminal and starts answering
    void stop();
    const std::string &port_path() const { return port_path_; }

    void set_faults(const emu_faults &f);
    emu_faults faults();
    void set_status(uint8_t status);
    void set_counter(uint32_t counter);

    // What the host did.
    std::vector<uint8_t> control_writes();
    std::vector<std::vector<uint8_t>> headers();
    std::vector<uint8_t> bkram();
    void set_bkram(const std::vector<uint8_t> &bytes);
    std::vector<uint8_t> gpram();
    void set_gpram(size_t offset, const std::vector<uint8_t> &bytes);
    std::vector<uint8_t> clock_config();
    std::vector<uint8_t> counter_writes();
    std::vector<std::pair<uint8_t, uint8_t>> bus_requests();
    long chunk_violations();  // chunks sent before the previous one was acknowledged
    void clear_log();

    static constexpr size_t BKRAM_SIZE = 0x2000;
    static constexpr size_t GPRAM_SIZE = 0x80000;

private:
    friend class emu_link;
    void run();
    void serve_block(uint8_t command, const uint8_t header[4]);
    void serve_write(int port, unsigned address, unsigned length);
    void serve_read(int port, unsigned address, unsigned length);
    void serve_page_program();
    void apply_write(int port, unsigned address, const std::vector<uint8_t> &data);
    std::vector<uint8_t> read_port(int port, unsigned address, unsigned length);
    void pace(double &clock, size_t n, double from);

    emu_options options_;
    std::string port_path_;
    int master_ = -1;
    int slave_ = -1;  // kept open so the master never sees a hang-up between commands
    std::thread thread_;
    std::atomic<bool> stopping_{false};

    std::mutex mutex_;
    emu_faults faults_;
    long data_sent_ = 0;
    long acks_sent_ = 0;
    std::vector<uint8_t> control_writes_;
    std::vector<std::vector<uint8_t>> headers_;
    std::vector<uint8_t> bkram_;
    std::vector<uint8_t> gpram_;
    uint8_t gpram_bank_ = 0;
    std::vector<uint8_t> clock_config_;
    std::vector<uint8_t> counter_writes_;
    std::vector<std::pair<uint8_t, uint8_t>> bus_requests_;
    long chunk_violations_ = 0;
    // Per direction: when the wire is next free, in steady-clock seconds.
    double wire_in_ = 0;
    double wire_out_ = 0;
};
