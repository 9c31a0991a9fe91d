// A card reader this user may not open, reached through the system's disk
// service: a loop device whose node only root may open stands for the
// reader, vmk runs as an ordinary user, and a stand-in service on a private
// bus opens the device and logs every call. Needs root (loop devices, the
// user switch); skipped without it.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "card/layout/card_layout.h"
#include "tests/card/write/adding_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr uid_t NOBODY = 65534;

std::string read_text(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

// Runs vmk with its standard output and error collected; as the unprivileged
// user unless as_root. bus: the system bus address it sees.
command_result vmk_run(const std::vector<std::string> &args, const std::string &bus, bool as_root) {
    int fds[2];
    command_result r{"", -1};
    if (pipe(fds) != 0) return r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        dup2(fds[1], STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.c_str(), 1);
        if (!as_root && (setgroups(0, nullptr) != 0 || setresgid(NOBODY, NOBODY, NOBODY) != 0 ||
                         setresuid(NOBODY, NOBODY, NOBODY) != 0))
            _exit(126);
        std::vector<char *> argv{const_cast<char *>(VMK_BINARY)};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) r.out.append(buffer, n);
    close(fds[0]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

class DiskService : public testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root for loop devices and a user switch";
        if (access("/usr/bin/dbus-daemon", X_OK) != 0 || access(FAKE_SERVICE, R_OK) != 0)
            GTEST_SKIP() << "needs dbus-daemon";
        // The unprivileged user must reach the bus socket and the files.
        ASSERT_EQ(chmod(dir.dir.c_str(), 0755), 0);
        image = dir.path("card.img");
        ASSERT_EQ(run_command("truncate -s 20M " + image).status, 0);
        rom = dir.path("game.pce");
        write_file(rom, make_rom(0x2000, 7));
        start_bus();
    }

    void TearDown() override {
        service.reset();
        if (!loop.empty()) run_command("losetup -d " + loop);
    }

    void attach() {
        command_result r = run_command("losetup -f --show " + image);
        loop = trimmed(r.out);
        if (r.status != 0 || loop.empty()) GTEST_SKIP() << "no free loop device";
        // A reader that needs rights: only root may open the node.
        ASSERT_EQ(chmod(loop.c_str(), 0600), 0);
        ASSERT_EQ(chown(loop.c_str(), 0, 0), 0);
    }

    void start_bus() {
        std::string config = dir.path("bus.conf");
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                 "Configuration 1.0//EN\"\n"
                                 " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                 "<busconfig><type>system</type>"
                                 "<listen>unix:path="
                              << dir.path("bus") << "</listen><auth>EXTERNAL</auth>"
                              << "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                                 "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
                                 "</policy></busconfig>\n";
        bus_daemon = std::make_unique<background_process>(std::vector<std::string>{
            "/usr/bin/dbus-daemon", "--config-file=" + config, "--nofork", "--print-address"});
        bus = bus_daemon->first_line();
        ASSERT_FALSE(bus.empty()) << "dbus-daemon did not start";
    }

    // The stand-in service over the loop device, which it says holds two
    // partitions; mounted: the partition numbers it reports mounted.
    void start_service(const std::string &behaviour, const std::vector<int> &mounted = {},
                       bool rescan_fails = false) {
        std::vector<std::string> argv{"/usr/bin/python3", FAKE_SERVICE, "--address", bus,
                                      "--disk", loop, "--log", log_path(), "--behaviour", behaviour};
        if (rescan_fails) argv.push_back("--rescan-fails");
        for (int p : {1, 2}) {
            argv.insert(argv.end(), {"--partition", loop + "p" + std::to_string(p)});
            for (int m : mounted)
                if (m == p) argv.insert(argv.end(), {"--mounted", loop + "p" + std::to_string(p)});
        }
        service = std::make_unique<background_process>(argv);
        ASSERT_EQ(service->first_line(), "ready");
    }

    std::string log_path() const { return dir.path("service.log"); }
    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::istringstream in(read_text(log_path()));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    command_result vmk(const std::vector<std::string> &args, bool as_root = false) {
        return vmk_run(args, bus, as_root);
    }

    // Runs vmk as the ordinary user; *service_calls: the calls it made.
    command_result vmk_logged(const std::vector<std::string> &args,
                              std::vector<std::string> *service_calls) {
        std::ofstream(log_path(), std::ios::trunc).flush();
        command_result r = vmk(args);
        *service_calls = calls();
        return r;
    }

    // The OpenDevice calls as the service logged them.
    std::string opened(const std::string &mode) const {
        return "OpenDevice " + loop + " mode=" + mode +
               " flags=" + std::to_string(mode == "rw" ? O_EXCL : 0);
    }

    // The loop device's letter as `vmk card drives` gives it.
    std::string letter(bool as_root = false) {
        command_result r = vmk({"card", "drives", "--json"}, as_root);
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);)
            if (line.find("\"path\":\"" + loop + "\"") != std::string::npos)
                return line.substr(line.find("\"letter\":\"") + 10, 1);
        ADD_FAILURE() << "the loop device is not listed:\n" << r.out;
        return "?";
    }

    temp_dir dir;
    std::string image, rom, loop, bus;
    std::unique_ptr<background_process> bus_daemon, service;
};

// The card with the times of its FAT root entries cleared: the listing file
// carries the time it was written.
std::string without_file_times(std::string card) {
    constexpr size_t ROOT = (CARD_PARTITION0_START + 8 + 2 * 12) * 512, ENTRIES = 512;
    if (card.size() < ROOT + ENTRIES * 32) return card;
    for (size_t entry = ROOT; entry < ROOT + ENTRIES * 32; entry += 32) {
        for (size_t field : {14, 16, 18, 22, 24}) card[entry + field] = card[entry + field + 1] = 0;
    }
    return card;
}

size_t index_of(const std::vector<std::string> &calls, const std::string &start) {
    for (size_t i = 0; i < calls.size(); i++)
        if (calls[i].rfind(start, 0) == 0) return i;
    return calls.size();
}

TEST_F(DiskService, FormatAddAndListThroughTheServiceMakeTheSameCardAsOnTheFile) {
    attach();
    start_service("ok");
    command_result drives = vmk({"card", "drives"});
    EXPECT_NE(drives.out.find(loop + "  loop device of " + image + "  20.0 MiB  via system disk service"),
              std::string::npos)
        << drives.out;
    const std::string d = letter();
    std::vector<std::string> format_calls, add_calls, list_calls;
    command_result format = vmk_logged({"card", "format", d}, &format_calls);
    ASSERT_EQ(format.status, 0) << format.out;
    command_result add = vmk_logged({"card", "add", d, rom}, &add_calls);
    ASSERT_EQ(add.status, 0) << add.out;
    EXPECT_EQ(add.out, "image#0-01\n");
    command_result list = vmk_logged({"card", "list", d}, &list_calls);
    ASSERT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("01 R  " + rom), std::string::npos) << list.out;

    // The same commands on a card image file of the same size.
    std::string direct = dir.path("direct.img");
    ASSERT_EQ(run_command("truncate -s 20M " + direct).status, 0);
    ASSERT_EQ(vmk({"card", "format", direct}, true).status, 0);
    ASSERT_EQ(vmk({"card", "add", direct, rom}, true).status, 0);
    EXPECT_EQ(vmk({"card", "list", direct}, true).out, list.out);
    EXPECT_TRUE(without_file_times(read_text(image)) == without_file_times(read_text(direct)))
        << "the cards differ";

    // Each command opened the card once (one authorisation each): the
    // writers read-write and exclusive, with the access mode in the mode
    // argument only, the listing read-only. The format had the partitions
    // re-read after its open.
    auto opens = [](const std::vector<std::string> &log) {
        std::vector<std::string> o;
        for (const std::string &call : log)
            if (call.rfind("OpenDevice ", 0) == 0) o.push_back(call);
        return o;
    };
    EXPECT_EQ(opens(format_calls), std::vector<std::string>{opened("rw")});
    EXPECT_EQ(opens(add_calls), std::vector<std::string>{opened("rw")});
    EXPECT_EQ(opens(list_calls), std::vector<std::string>{opened("r")});
    EXPECT_LT(index_of(format_calls, opened("rw")), index_of(format_calls, "Rescan " + loop));
    EXPECT_EQ(std::count(format_calls.begin(), format_calls.end(), "Rescan " + loop), 1);
}

TEST_F(DiskService, AFailedRescanSaysWhy) {
    attach();
    start_service("ok", {}, true);
    command_result format = vmk({"card", "format", letter()});
    EXPECT_NE(format.out.find("warning: the system did not read the new partition table: "),
              std::string::npos)
        << format.out;
    EXPECT_NE(format.out.find("the kernel kept the old partition table"), std::string::npos)
        << format.out;
}

// A command that only reads leaves the desktop's mounts alone and takes the
// card from nobody; a writer unmounts every mounted partition first.
TEST_F(DiskService, MountedPartitionsAreUnmountedOnlyForAWriter) {
    // A card whose two partitions the desktop mounted.
    ASSERT_EQ(vmk({"card", "format", image}, true).status, 0);
    attach();
    start_service("ok", {1, 2});
    const std::string d = letter();
    for (const std::vector<std::string> &reader :
         {std::vector<std::string>{"card", "list", d}, {"card", "check", d}}) {
        SCOPED_TRACE(reader[1]);
        std::vector<std::string> log;
        command_result r = vmk_logged(reader, &log);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(index_of(log, "Unmount "), log.size()) << read_text(log_path());
        EXPECT_LT(index_of(log, opened("r")), log.size()) << read_text(log_path());
        EXPECT_EQ(index_of(log, "OpenDevice " + loop + " mode=rw"), log.size());
    }
    std::vector<std::string> log;
    command_result add = vmk_logged({"card", "add", d, rom}, &log);
    EXPECT_EQ(add.status, 0) << add.out;
    size_t open = index_of(log, opened("rw"));
    ASSERT_LT(open, log.size()) << read_text(log_path());
    EXPECT_LT(index_of(log, "Unmount " + loop + "p1"), open) << read_text(log_path());
    EXPECT_LT(index_of(log, "Unmount " + loop + "p2"), open) << read_text(log_path());
    EXPECT_EQ(std::count(log.begin(), log.end(), "Unmount " + loop), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Unmount " + loop + "p1"), 1);
}

// Whatever goes wrong with the service: a message, status 1, the card as it was.
TEST_F(DiskService, RefusedOrBrokenServiceWritesNothing) {
    struct failure_case {
        const char *behaviour;  // "" no service on the bus; "no bus": no bus at all
        const char *message;
    };
    const failure_case cases[] = {
        {"refuse", "was refused; nothing was written"},
        {"no_agent", "no authorisation agent runs to ask for it"},
        {"nonsense", "does not understand"},
        {"", "system disk service (UDisks2) is not available"},
        {"no bus", "system disk service (UDisks2) is not available"},
    };
    ASSERT_EQ(vmk({"card", "format", image}, true).status, 0);
    ASSERT_EQ(vmk({"card", "add", image, rom}, true).status, 0);
    const std::string before = read_text(image);
    attach();
    const std::string d = letter();
    for (const failure_case &c : cases) {
        SCOPED_TRACE(c.behaviour);
        std::string behaviour = c.behaviour;
        if (behaviour != "" && behaviour != "no bus") start_service(behaviour);
        std::string saved_bus = bus;
        if (behaviour == "no bus") bus = "unix:path=" + dir.path("no-such-bus");
        command_result r = vmk({"card", "format", "--force", d});
        bus = saved_bus;
        service.reset();
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_TRUE(read_text(image) == before) << "the card changed";
    }
}

TEST_F(DiskService, AReaderThisUserMayOpenNeverGoesThroughTheService) {
    attach();
    start_service("ok");
    command_result drives = vmk({"card", "drives"}, true);
    EXPECT_EQ(drives.out.find("via system disk service"), std::string::npos) << drives.out;
    const std::string d = letter(true);
    EXPECT_EQ(vmk({"card", "format", d}, true).status, 0);
    EXPECT_EQ(vmk({"card", "add", d, rom}, true).status, 0);
    EXPECT_EQ(vmk({"card", "list", d}, true).status, 0);
    EXPECT_EQ(read_text(log_path()), "");
}

// A disk is named by its letter: its device node given as a path is no card
// image, so not even root formats a disk that way.
TEST_F(DiskService, ADeviceNodeGivenAsAPathIsRefused) {
    attach();
    const std::string before = read_text(image);
    command_result r = vmk({"card", "format", loop}, true);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("not a card image file: " + loop), std::string::npos) << r.out;
    EXPECT_TRUE(read_text(image) == before) << "the disk changed";
}

}  // namespace
