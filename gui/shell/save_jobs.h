// Jobs for the saves views of the backup RAM page and the "savedata" group:
// list the entries of a file or card area, copy one entry, delete one.
// Built on the window thread, run on the half's worker; toolkit-free.
#pragma once

#include <memory>
#include <string>

#include "card/commands/save_commands.h"
#include "gui/shell/task_job.h"

// What a list job found; read by the page once the job's event arrived.
struct save_view {
    bool loaded = false;  // the place could be read at all
    save_listing listing;
};

task_job save_list_job(const save_place &place, std::shared_ptr<save_view> result, int ok_event,
                       int failed_event);
task_job save_copy_job(const save_place &from, const std::string &which, const save_place &to,
                       int ok_event, int failed_event);
task_job save_delete_job(const save_place &place, const std::string &which, int ok_event,
                         int failed_event);

// One row of an entries list: "#1 GAME  48 bytes", with " (check WRONG)".
std::string save_entry_row(const save_entry &entry);
// "<place>: %u bytes free", or the fault.
std::string save_view_status(const save_place &place, const save_view &view);
