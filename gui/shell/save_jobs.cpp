#include "gui/shell/save_jobs.h"

task_job save_list_job(const save_place &place, std::shared_ptr<save_view> result, int ok_event,
                       int failed_event) {
    task_job task;
    task.work = [place, result = std::move(result), ok_event, failed_event](log_sink *log) {
        save_file file;
        result->loaded = save_place_load(log, place, &file) == VMK_OK;
        if (!result->loaded) return failed_event;
        if (save_list(file.kind, file.image, &result->listing) == VMK_OK) return ok_event;
        log_line(log, (save_place_text(place) + ": " + result->listing.fault).c_str());
        return failed_event;
    };
    return task;
}

task_job save_copy_job(const save_place &from, const std::string &which, const save_place &to,
                       int ok_event, int failed_event) {
    task_job task;
    task.work = [=](log_sink *log) {
        return save_command_copy(log, from, which, to, false) == 0 ? ok_event : failed_event;
    };
    return task;
}

task_job save_delete_job(const save_place &place, const std::string &which, int ok_event,
                         int failed_event) {
    task_job task;
    task.work = [=](log_sink *log) {
        return save_command_delete(log, place, which) == 0 ? ok_event : failed_event;
    };
    return task;
}

std::string save_entry_row(const save_entry &entry) {
    return "#" + std::to_string(entry.number) + " " + entry.name + "  " + std::to_string(entry.bytes) +
           " bytes" + (entry.check_ok ? "" : " (check WRONG)");
}

std::string save_view_status(const save_place &place, const save_view &view) {
    const std::string where = save_place_text(place) + ": ";
    if (!view.loaded) return where + "not readable";
    if (!view.listing.fault.empty()) return where + "damaged: " + view.listing.fault;
    return where + std::to_string(view.listing.free_bytes) + " bytes free";
}
