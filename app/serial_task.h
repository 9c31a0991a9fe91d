// The device half's task: starts one device worker at a time for the pages.
// Each start attaches the page's gauge to the device log, reads the port name
// field afresh, and hands the worker shared references to everything it uses.
//
// Threading: window thread only.
#pragma once

#include <memory>
#include <string>

#include <wx/string.h>

#include "app/task_base.h"
#include "app/window_gauge.h"
#include "app/window_log.h"
#include "app/window_mailbox.h"

class wxTextEntry;
class serial_thread;
class arg_filename;

// What a page hands to every start: where the completion event goes and which
// bar shows the progress.
struct serial_page_link {
    window_mailbox_ptr page;
    window_gauge_ptr gauge;
};

// What the ROM dump checks besides reading: a second read compared bank by
// bank, the user's DAT file (empty: none) and naming the file by its title.
struct rom_dump_checks {
    bool verify = false;
    wxString dat_file;
    bool name_by_dat = false;
};

enum { ROM_DUMP_MAP_COUNT = 3 };
extern const char *const rom_dump_map_names[ROM_DUMP_MAP_COUNT];  // rom, romram, sf2

class serial_task : public task_base {
public:
    serial_task(window_log_ptr log, wxTextEntry *portname);

    void reset(const serial_page_link &page);
    void calibration(const serial_page_link &page);
    void rom_dump(const serial_page_link &page, int map, const wxString &file,
                  const rom_dump_checks &checks = {});
    void colour_table(const serial_page_link &page, const wxString &file);
    void firmware_package(const serial_page_link &page, const wxString &file);
    // Pages 0..2 are backup RAM, 3 the Memory Base.
    void backupram_download(const serial_page_link &page, int ram_page, const wxString &file);
    void backupram_upload(const serial_page_link &page, int ram_page, const wxString &file);
    // store is borrowed by the worker; keep holds it alive meanwhile.
    void frame_capture(const serial_page_link &page, const wxString &file, void *store,
                       std::shared_ptr<void> keep);
    // Asks the running command to end at its next safe point.
    void stop();

    const window_log_ptr &log() const { return m_log; }
    // A firmware write is running: it cannot stop safely in the middle of a page.
    bool writing_firmware() const { return busy() && m_firmware_write; }

private:
    void start(const serial_page_link &page, serial_thread *worker, bool firmware_write = false);
    void start_with_file(const serial_page_link &page, arg_filename *worker, const wxString &file,
                         bool firmware_write = false);
    void backupram(const serial_page_link &page, const char *command, const char *direction,
                   int ram_page, const wxString &file);

    window_log_ptr m_log;
    wxTextEntry *m_portname;  // the port row's field; outlives the task
    bool m_firmware_write = false;  // what the running worker does
};
