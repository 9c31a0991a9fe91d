#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/disk_service.h"

namespace {

constexpr const char *SERVICE = "org.freedesktop.UDisks2";
constexpr const char *MANAGER_PATH = "/org/freedesktop/UDisks2/Manager";
constexpr const char *MANAGER = "org.freedesktop.UDisks2.Manager";
constexpr const char *BLOCK = "org.freedesktop.UDisks2.Block";
constexpr const char *FILESYSTEM = "org.freedesktop.UDisks2.Filesystem";
constexpr const char *PARTITION_TABLE = "org.freedesktop.UDisks2.PartitionTable";
// A call that may raise the authorisation prompt waits for the user.
constexpr uint64_t PROMPT_TIMEOUT_USEC = 5 * 60 * 1000000ull;

struct bus_ref {
    sd_bus *bus = nullptr;
    ~bus_ref() { sd_bus_flush_close_unref(bus); }
};

struct message_ref {
    sd_bus_message *m = nullptr;
    ~message_ref() { sd_bus_message_unref(m); }
};

struct error_ref {
    sd_bus_error e = SD_BUS_ERROR_NULL;
    ~error_ref() { sd_bus_error_free(&e); }
};

bool error_is(const sd_bus_error &e, const char *name) { return sd_bus_error_has_name(&e, name); }

bool any_error_is(const sd_bus_error &e, std::initializer_list<const char *> names) {
    for (const char *n : names)
        if (error_is(e, n)) return true;
    return false;
}

// Sorts a failed call (r < 0, e set when the bus or the service answered).
disk_service_status failure(int r, const sd_bus_error &e, std::string *message) {
    if (!sd_bus_error_is_set(&e)) {
        *message = std::string("system bus: ") + strerror(-r);
        return DISK_SERVICE_ABSENT;
    }
    *message = e.message != nullptr ? e.message : e.name;
    if (any_error_is(e, {"org.freedesktop.DBus.Error.ServiceUnknown",
                         "org.freedesktop.DBus.Error.NameHasNoOwner",
                         "org.freedesktop.DBus.Error.NoServer",
                         "org.freedesktop.DBus.Error.Disconnected"}))
        return DISK_SERVICE_ABSENT;
    if (any_error_is(e, {"org.freedesktop.UDisks2.Error.NotAuthorized",
                         "org.freedesktop.UDisks2.Error.NotAuthorizedDismissed"}))
        return DISK_SERVICE_REFUSED;
    if (any_error_is(e, {"org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain",
                         "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"}))
        return DISK_SERVICE_NO_AGENT;
    *message = std::string(e.name) + ": " + *message;
    return DISK_SERVICE_FAILED;
}

disk_service_status nonsense(std::string *message) {
    *message = "the system disk service gave an answer this program does not understand";
    return DISK_SERVICE_FAILED;
}

disk_service_status connect(bus_ref *b, std::string *message) {
    int r = sd_bus_open_system(&b->bus);
    if (r >= 0) return DISK_SERVICE_OK;
    *message = std::string("cannot reach the system bus: ") + strerror(-r);
    return DISK_SERVICE_ABSENT;
}

// The service's own options: none, so that it asks the user where it must.
int append_no_options(sd_bus_message *m) { return sd_bus_message_append(m, "a{sv}", 0); }

// Sends a prepared call that may make polkit ask the user.
disk_service_status call(sd_bus *bus, sd_bus_message *m, message_ref *reply, std::string *message) {
    error_ref e;
    sd_bus_message_set_allow_interactive_authorization(m, 1);
    int r = sd_bus_call(bus, m, PROMPT_TIMEOUT_USEC, &e.e, &reply->m);
    return r < 0 ? failure(r, e.e, message) : DISK_SERVICE_OK;
}

disk_service_status new_call(sd_bus *bus, const std::string &object, const char *interface,
                             const char *member, message_ref *m, std::string *message) {
    int r = sd_bus_message_new_method_call(bus, &m->m, SERVICE, object.c_str(), interface, member);
    if (r >= 0) return DISK_SERVICE_OK;
    *message = std::string("cannot build a call to the system disk service: ") + strerror(-r);
    return DISK_SERVICE_FAILED;
}

// The object lacks the interface (the service answers InvalidArgs for that).
bool no_such_interface(const sd_bus_error &e) {
    return any_error_is(e, {"org.freedesktop.DBus.Error.UnknownInterface",
                            "org.freedesktop.DBus.Error.UnknownProperty",
                            "org.freedesktop.DBus.Error.UnknownObject",
                            "org.freedesktop.DBus.Error.InvalidArgs"});
}

// The service's object for a device node; empty when it knows none.
disk_service_status resolve(sd_bus *bus, const std::string &path, std::string *object,
                            std::string *message) {
    object->clear();
    message_ref m, reply;
    if (auto s = new_call(bus, MANAGER_PATH, MANAGER, "ResolveDevice", &m, message)) return s;
    if (sd_bus_message_append(m.m, "a{sv}", 1, "path", "s", path.c_str()) < 0 ||
        append_no_options(m.m) < 0)
        return nonsense(message);
    if (auto s = call(bus, m.m, &reply, message)) return s;
    if (sd_bus_message_enter_container(reply.m, 'a', "o") < 0) return nonsense(message);
    const char *found = nullptr;
    int count = 0, r;
    while ((r = sd_bus_message_read(reply.m, "o", &found)) > 0) {
        if (++count > 1) return nonsense(message);  // one node is one device
        *object = found;
    }
    return r < 0 ? nonsense(message) : DISK_SERVICE_OK;
}

// Whether the service sees a file system of the object mounted; false for
// an object without a file system.
disk_service_status mounted(sd_bus *bus, const std::string &object, bool *is_mounted,
                            std::string *message) {
    *is_mounted = false;
    error_ref e;
    message_ref reply;
    int r = sd_bus_get_property(bus, SERVICE, object.c_str(), FILESYSTEM, "MountPoints", &e.e,
                                &reply.m, "aay");
    if (r < 0 && no_such_interface(e.e)) return DISK_SERVICE_OK;
    if (r < 0) return failure(r, e.e, message);
    if (sd_bus_message_enter_container(reply.m, 'a', "ay") < 0) return nonsense(message);
    const void *point = nullptr;
    size_t size = 0;
    r = sd_bus_message_read_array(reply.m, 'y', &point, &size);
    if (r < 0) return nonsense(message);
    *is_mounted = r > 0;
    return DISK_SERVICE_OK;
}

disk_service_status unmount(sd_bus *bus, const std::string &object, std::string *message) {
    message_ref m, reply;
    if (auto s = new_call(bus, object, FILESYSTEM, "Unmount", &m, message)) return s;
    if (append_no_options(m.m) < 0) return nonsense(message);
    return call(bus, m.m, &reply, message);
}

// The partitions the service knows of the disk; none for a disk without a
// partition table.
disk_service_status partitions_of(sd_bus *bus, const std::string &disk_object,
                                  std::vector<std::string> *partitions, std::string *message) {
    error_ref e;
    message_ref reply;
    int r = sd_bus_get_property(bus, SERVICE, disk_object.c_str(), PARTITION_TABLE, "Partitions",
                                &e.e, &reply.m, "ao");
    if (r < 0 && no_such_interface(e.e)) return DISK_SERVICE_OK;
    if (r < 0) return failure(r, e.e, message);
    if (sd_bus_message_enter_container(reply.m, 'a', "o") < 0) return nonsense(message);
    const char *object = nullptr;
    while ((r = sd_bus_message_read(reply.m, "o", &object)) > 0) partitions->push_back(object);
    return r < 0 ? nonsense(message) : DISK_SERVICE_OK;
}

// Every file system of the disk the service sees mounted: on the disk
// itself or on one of its partitions.
disk_service_status unmount_all(sd_bus *bus, const std::string &disk_object,
                                std::string *message) {
    std::vector<std::string> objects{disk_object};
    if (auto s = partitions_of(bus, disk_object, &objects, message)) return s;
    for (const std::string &object : objects) {
        bool is_mounted = false;
        if (auto s = mounted(bus, object, &is_mounted, message)) return s;
        if (!is_mounted) continue;
        if (auto s = unmount(bus, object, message)) {
            *message = "cannot unmount " + object.substr(object.rfind('/') + 1) + ": " + *message;
            return s;
        }
    }
    return DISK_SERVICE_OK;
}

bool call_bus_driver(sd_bus *bus, const char *member, message_ref *reply, const char *argument) {
    error_ref e;
    return (argument != nullptr
                ? sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", member, &e.e, &reply->m, "s", argument)
                : sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", member, &e.e, &reply->m, "")) >= 0;
}

bool service_running(sd_bus *bus) {
    message_ref reply;
    int has = 0;
    return call_bus_driver(bus, "NameHasOwner", &reply, SERVICE) &&
           sd_bus_message_read(reply.m, "b", &has) > 0 && has;
}

// The system may start the service on demand.
bool service_activatable(sd_bus *bus) {
    message_ref reply;
    char **names = nullptr;
    if (!call_bus_driver(bus, "ListActivatableNames", &reply, nullptr) ||
        sd_bus_message_read_strv(reply.m, &names) < 0)
        return false;
    bool listed = false;
    for (char **n = names; n != nullptr && *n != nullptr; n++) {
        listed = listed || strcmp(*n, SERVICE) == 0;
        free(*n);
    }
    free(names);
    return listed;
}

}  // namespace

bool disk_service_present() {
    // Every drive listing and rights question asks; the bus is asked once.
    static const bool present = [] {
        bus_ref b;
        std::string message;
        if (connect(&b, &message)) return false;
        return service_running(b.bus) || service_activatable(b.bus);
    }();
    return present;
}

namespace {

bool text_agent_allowed = false;
pid_t text_agent = 0;

void stop_text_agent() {
    if (text_agent <= 0) return;
    kill(text_agent, SIGTERM);
    waitpid(text_agent, nullptr, 0);
    text_agent = 0;
}

// Starts polkit's text agent for this process, once, when allowed and
// standard input is a terminal; true once it has registered.
bool start_text_agent() {
    if (!text_agent_allowed || text_agent != 0 || !isatty(STDIN_FILENO)) return false;
    int notify[2];
    if (pipe2(notify, O_CLOEXEC) != 0) return false;
    std::string process = std::to_string(getpid());
    pid_t child = fork();
    if (child == 0) {
        close(notify[0]);
        // The agent inherits the write end and closes it once registered.
        fcntl(notify[1], F_SETFD, 0);
        std::string fd = std::to_string(notify[1]);
        execlp("pkttyagent", "pkttyagent", "--process", process.c_str(), "--notify-fd", fd.c_str(),
               "--fallback", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(notify[1]);
    if (child < 0) {
        close(notify[0]);
        return false;
    }
    text_agent = child;
    atexit(stop_text_agent);
    char c;
    while (read(notify[0], &c, 1) > 0) {
    }
    close(notify[0]);
    // An agent that could not register (or is not installed) has exited.
    if (waitpid(child, nullptr, WNOHANG) == child) {
        text_agent = -1;
        return false;
    }
    return true;
}

disk_service_status open_once(const std::string &disk_path, bool writable, int *fd,
                              std::string *block_object, std::string *message) {
    *fd = -1;
    bus_ref b;
    if (auto s = connect(&b, message)) return s;
    if (auto s = resolve(b.bus, disk_path, block_object, message)) return s;
    if (block_object->empty()) {
        *message = "the system disk service does not know " + disk_path;
        return DISK_SERVICE_FAILED;
    }
    if (writable)
        if (auto s = unmount_all(b.bus, *block_object, message)) return s;

    message_ref m, reply;
    if (auto s = new_call(b.bus, *block_object, BLOCK, "OpenDevice", &m, message)) return s;
    // The access mode goes in the mode argument only: the service refuses
    // access-mode bits among the flags. A reader takes no exclusive open, so
    // a mounted card stays mounted and in use.
    if (sd_bus_message_append(m.m, "s", writable ? "rw" : "r") < 0 ||
        sd_bus_message_append(m.m, "a{sv}", 1, "flags", "i", writable ? O_EXCL : 0) < 0)
        return nonsense(message);
    if (auto s = call(b.bus, m.m, &reply, message)) return s;
    int received = -1;
    if (sd_bus_message_read(reply.m, "h", &received) <= 0) return nonsense(message);
    // The received descriptor belongs to the reply message: keep a copy.
    *fd = fcntl(received, F_DUPFD_CLOEXEC, 3);
    if (*fd < 0) {
        *message = std::string("cannot keep the opened disk: ") + strerror(errno);
        return DISK_SERVICE_FAILED;
    }
    return DISK_SERVICE_OK;
}

disk_service_status rescan_once(const std::string &block_object, std::string *message) {
    bus_ref b;
    if (auto s = connect(&b, message)) return s;
    message_ref m, reply;
    if (auto s = new_call(b.bus, block_object, BLOCK, "Rescan", &m, message)) return s;
    if (append_no_options(m.m) < 0) return nonsense(message);
    return call(b.bus, m.m, &reply, message);
}

}  // namespace

void disk_service_allow_text_agent() { text_agent_allowed = true; }

disk_service_status disk_service_open(const std::string &disk_path, bool writable, int *fd,
                                      std::string *block_object, std::string *message) {
    disk_service_status s = open_once(disk_path, writable, fd, block_object, message);
    if (s == DISK_SERVICE_NO_AGENT && start_text_agent())
        s = open_once(disk_path, writable, fd, block_object, message);
    return s;
}

disk_service_status disk_service_rescan(const std::string &block_object, std::string *message) {
    disk_service_status s = rescan_once(block_object, message);
    if (s == DISK_SERVICE_NO_AGENT && start_text_agent()) s = rescan_once(block_object, message);
    return s;
}
