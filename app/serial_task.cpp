#include "app/serial_task.h"

#include <wx/textentry.h>

#include "app/serial_thread.h"
#include "device/device_ops.h"

const char *const rom_dump_map_names[ROM_DUMP_MAP_COUNT] = {"rom", "romram", "sf2"};

namespace {

// A text that does not convert becomes empty, so the command fails at the open
// and says so in the log.
std::string narrow_text(const wxString &text) {
    wxCharBuffer b = text.mb_str();
    return b.data() != nullptr ? std::string(b.data()) : std::string();
}

}  // namespace

serial_task::serial_task(window_log_ptr log, wxTextEntry *portname)
    : m_log(std::move(log)), m_portname(portname) {}

void serial_task::start(const serial_page_link &page, serial_thread *worker, bool firmware_write) {
    // While busy the sink belongs to the running command, and while the window
    // closes the stop request must stay; thread_run refuses both.
    if (can_start()) {
        stop_clear(m_log->stop());
        log_attach_gauge(m_log->sink(), page.gauge->record());
        worker->m_page = page.page;
        worker->m_log = m_log;
        worker->m_gauge = page.gauge;
        worker->m_portname = narrow_text(m_portname->GetValue());
        m_firmware_write = firmware_write;
    }
    // Every device command reads the board through the stop check, so each
    // one offers Stop.
    thread_run(worker);
}

void serial_task::start_with_file(const serial_page_link &page, arg_filename *worker,
                                  const wxString &file, bool firmware_write) {
    worker->m_filename = file.utf8_string();
    start(page, worker, firmware_write);
}

void serial_task::reset(const serial_page_link &page) { start(page, new arg0san("reset")); }

void serial_task::calibration(const serial_page_link &page) { start(page, new arg0san("calb")); }

void serial_task::rom_dump(const serial_page_link &page, int map, const wxString &file,
                           const rom_dump_checks &checks) {
    if (map < 0 || map >= ROM_DUMP_MAP_COUNT) {
        report_caller_error("rom_dump", "map < 3");
        return;
    }
    // The options stand before "--": the names after it are taken as they
    // are, even a file name that starts with "--".
    std::vector<std::string> words{"dump"};
    if (checks.verify) words.emplace_back(DUMP_VERIFY);
    if (!checks.dat_file.empty()) {
        words.push_back(std::string(DUMP_DAT "=") + checks.dat_file.utf8_string());
        if (checks.name_by_dat) words.emplace_back(DUMP_NAME_BY_DAT);
    }
    words.emplace_back("--");
    words.emplace_back(rom_dump_map_names[map]);
    start_with_file(page, new static_arg_name(std::move(words)), file);
}

void serial_task::colour_table(const serial_page_link &page, const wxString &file) {
    start_with_file(page, new static_arg_name({"colortable"}), file);
}

void serial_task::firmware_package(const serial_page_link &page, const wxString &file) {
    start_with_file(page, new static_arg_name({"program_pac"}), file, true);
}

void serial_task::backupram(const serial_page_link &page, const char *command,
                            const char *direction, int ram_page, const wxString &file) {
    if (ram_page > 2)
        start_with_file(page, new memorybase_manager(direction), file);
    else
        start_with_file(page, new backupram_manager(command, ram_page), file);
}

void serial_task::backupram_download(const serial_page_link &page, int ram_page,
                                     const wxString &file) {
    backupram(page, "save_dn", "down", ram_page, file);
}

void serial_task::backupram_upload(const serial_page_link &page, int ram_page,
                                   const wxString &file) {
    backupram(page, "save_up", "up", ram_page, file);
}

void serial_task::frame_capture(const serial_page_link &page, const wxString &file, void *store,
                                std::shared_ptr<void> keep) {
    start_with_file(page, new fbrenderer(store, std::move(keep)), file);
}

void serial_task::stop() { stop_ask(m_log->stop()); }
