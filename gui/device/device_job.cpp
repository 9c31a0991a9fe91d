#include "gui/device/device_job.h"

#include "device/device_dispatch.h"
#include "device/device_ops.h"
#include "gui/shell/task_event.h"

namespace {

// Runs the vector through the dispatcher; ok is whether the command did what
// it was asked (several rows return VMK_OK whatever happened on the board).
int dispatch(log_sink *log, framebuffer *frame_store, const std::vector<std::string> &words, int *ok) {
    std::vector<const char *> v;
    for (const std::string &word : words) v.push_back(word.c_str());
    return device_dispatch(log, frame_store, static_cast<int>(v.size()), v.data(), ok);
}

}  // namespace

std::vector<std::string> device_argument_vector(const std::vector<std::string> &words,
                                                const std::string &port) {
    std::vector<std::string> v{""};
    v.insert(v.end(), words.begin(), words.end());
    v.push_back(port);
    v.push_back(SERIAL_BAUD_TEXT);
    return v;
}

task_job device_job(const std::vector<std::string> &words, const std::string &port) {
    task_job job;
    job.can_stop = true;
    job.work = [v = device_argument_vector(words, port)](log_sink *log) {
        int ok = 0;
        dispatch(log, nullptr, v, &ok);
        return ok ? TASK_ID_DONE : TASK_ID_FAILED;
    };
    return job;
}

task_job device_firmware_job(const std::string &file, const std::string &port) {
    task_job job = device_job({"program_pac", file}, port);
    job.firmware_write = true;
    return job;
}

task_job device_capture_job(const std::string &file, const std::string &port, framebuffer *store,
                            std::shared_ptr<void> keep) {
    task_job job;
    job.can_stop = true;
    job.work = [v = device_argument_vector({"vceget", file}, port), store,
                keep = std::move(keep)](log_sink *log) {
        int ok = 0;
        return dispatch(log, store, v, &ok) == 0 ? TASK_ID_FB_DONE : TASK_ID_FB_FAILED;
    };
    return job;
}

std::vector<std::string> device_rom_dump_words(int map, const std::string &file,
                                               const rom_dump_checks &checks) {
    static const char *const map_names[ROM_DUMP_MAP_COUNT] = {"rom", "romram", "sf2"};
    if (map < 0 || map >= ROM_DUMP_MAP_COUNT) return {};
    // The options stand before "--": the names after it are taken as they
    // are, even a file name that starts with "--".
    std::vector<std::string> words{"dump"};
    if (checks.verify) words.emplace_back(DUMP_VERIFY);
    if (!checks.dat_file.empty()) {
        words.push_back(std::string(DUMP_DAT "=") + checks.dat_file);
        if (checks.name_by_dat) words.emplace_back(DUMP_NAME_BY_DAT);
    }
    words.insert(words.end(), {"--", map_names[map], file});
    return words;
}

std::vector<std::string> device_backupram_words(bool upload, int ram_page, const std::string &file) {
    if (ram_page > 2) return {"memorybase", upload ? "up" : "down", file};
    return {upload ? "save_up" : "save_dn", std::to_string(ram_page), file};
}
