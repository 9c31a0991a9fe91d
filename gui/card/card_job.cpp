#include "gui/card/card_job.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "card/commands/card_dispatch.h"
#include "card/commands/dat_check.h"
#include "card/layout/card_layout.h"
#include "card/store/drive_table.h"
#include "gui/card/drive_entries.h"

namespace {

std::string number_text(uint32_t n) { return std::to_string(n); }

card_job single(card_command command, int ok_event, int failed_event, bool can_stop = false) {
    card_job job;
    job.can_stop = can_stop;
    job.commands.push_back(std::move(command));
    job.ok_event = ok_event;
    job.failed_event = failed_event;
    return job;
}

}  // namespace

card_job card_job_format(bool force) {
    return single(force ? card_command{"format", CARD_FORCE} : card_command{"format"},
                  CARD_EVENT_FORMAT_OK, CARD_EVENT_FORMAT_FAILED);
}

card_job card_job_add(const std::string &image_file, const std::string &name, bool display,
                      bool verify, const std::string &dat, bool name_by_dat) {
    card_command command{display ? "add" : "add_withname"};
    if (!dat.empty()) command.insert(command.end(), {CARD_DAT, dat});
    if (!dat.empty() && name_by_dat) command.push_back(CARD_NAME_BY_DAT);
    if (!verify) command.push_back(CARD_NO_VERIFY);
    if (command.size() > 1) command.push_back("--");
    command.push_back(image_file);
    if (!display) command.push_back(name);
    return single(command, CARD_EVENT_ADD_OK, CARD_EVENT_ADD_FAILED, true);
}

card_job card_job_bkram_read(const std::string &folder, bool overwrite) {
    return single({"bkram_multiread", folder, overwrite ? "1" : "0"}, CARD_EVENT_LISTED,
                  CARD_EVENT_LISTED, true);
}

card_job card_job_bkram_write(uint32_t image_number, const std::string &file) {
    return single({"bkram_write", number_text(image_number), file}, CARD_EVENT_LISTED,
                  CARD_EVENT_LISTED, true);
}

card_job card_job_config(const config_change &change, const std::vector<uint32_t> &images,
                         const std::string &name) {
    card_job job;
    job.ok_event = CARD_EVENT_CONFIG_OK;
    job.failed_event = CARD_EVENT_CONFIG_FAILED;
    if (images.empty() || images.size() > CARD_CONFIG_IMAGES_MAX) {
        job.refusal = "choose 1 to 100 images to configure at once\n";
        return job;
    }
    card_command command{images.size() == 1 ? "config_single" : "config_multi"};
    for (const std::string &text : config_change_texts(change)) command.push_back(text);
    for (uint32_t n : images) command.push_back(number_text(n));
    if (images.size() == 1) command.push_back(name);
    job.commands.push_back(command);
    return job;
}

std::string card_rawdump_path(uint32_t image_number, const std::string &folder) {
    char file_name[32];
    snprintf(file_name, sizeof file_name, "/disc%02u.raw", image_number);
    return folder + file_name;
}

card_job card_job_rawdump(uint32_t image_number, const std::string &folder) {
    return single({"rawdump", number_text(image_number), card_rawdump_path(image_number, folder)},
                  CARD_EVENT_DUMP_OK, CARD_EVENT_DUMP_FAILED, true);
}

card_job card_job_amount_change(uint32_t image_number) {
    return single({"amount_change", number_text(image_number)}, CARD_EVENT_DUMP_OK,
                  CARD_EVENT_DUMP_FAILED);
}

card_job card_job_hash(uint32_t image_number) {
    // "#N" names the stored image even when a file in the working folder is named like N.
    return single({"mmchash", "#" + number_text(image_number)}, CARD_EVENT_HASH_OK,
                  CARD_EVENT_HASH_FAILED, true);
}

card_job card_job_check() {
    return single({"check"}, CARD_EVENT_CHECK_OK, CARD_EVENT_CHECK_FAILED, true);
}

card_job card_job_extract(const std::vector<uint32_t> &images, const std::string &folder,
                          const std::string &form) {
    card_command command{"extract", "--to=" + folder, "--as=" + form, "--"};
    for (uint32_t n : images) command.push_back(number_text(n));
    return single(command, CARD_EVENT_MOVE_OK, CARD_EVENT_MOVE_FAILED, true);
}

card_job card_job_backup(const std::string &archive) {
    return single({"backup", "--", archive}, CARD_EVENT_MOVE_OK, CARD_EVENT_MOVE_FAILED, true);
}

card_job card_job_restore(const std::string &archive, bool format) {
    card_command command{"restore"};
    if (format) command.push_back("--format");
    command.insert(command.end(), {"--", archive});
    return single(command, CARD_EVENT_MOVE_OK, CARD_EVENT_MOVE_FAILED, true);
}

card_job card_job_reorder(const std::vector<uint32_t> &images) {
    card_job job;
    job.ok_event = CARD_EVENT_ORDER_OK;
    job.failed_event = CARD_EVENT_ORDER_FAILED;
    for (uint32_t n : images)
        if (n >= CARD_IMAGE_NUMBER_END) {
            job.refusal = "image numbers end at 9999; nothing is reordered\n";
            return job;
        }
    for (size_t i = 0; i < images.size();) {
        const uint32_t block = images[i] / 100;
        card_command command{"order"};
        size_t group = 0;
        for (; i < images.size() && images[i] / 100 == block && group < 100; i++, group++)
            command.push_back(number_text(images[i]));
        for (uint32_t k = static_cast<uint32_t>(group); k < 100; k++)
            command.push_back(number_text(block * 100 + k));
        job.commands.push_back(command);
    }
    return job;
}

namespace {

// Each block's images in the order given; ok false when a block comes back
// after another one.
std::map<uint32_t, std::vector<uint32_t>> runs_by_block(const std::vector<uint32_t> &images, bool *ok) {
    std::map<uint32_t, std::vector<uint32_t>> runs;
    *ok = true;
    for (size_t i = 0; i < images.size(); i++) {
        const uint32_t block = images[i] / 100;
        if (i > 0 && images[i - 1] / 100 != block && runs.count(block)) *ok = false;
        runs[block].push_back(images[i]);
    }
    return runs;
}

}  // namespace

std::vector<uint32_t> card_order_changed_blocks(const std::vector<uint32_t> &shown,
                                                const std::vector<uint32_t> &listed) {
    bool shown_ok = false, listed_ok = false;
    const auto now = runs_by_block(shown, &shown_ok);
    const auto before = runs_by_block(listed, &listed_ok);
    if (!shown_ok || !listed_ok || now.size() != before.size()) return {};
    std::vector<uint32_t> changed;
    for (const auto &[block, run] : now) {
        const auto was = before.find(block);
        if (was == before.end()) return {};
        std::vector<uint32_t> a = run, b = was->second;
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        if (a != b) return {};
        if (run != was->second) changed.insert(changed.end(), run.begin(), run.end());
    }
    return changed;
}

char card_drive_letter(const std::string &chosen_entry) {
    return chosen_entry.empty() ? ';' : chosen_entry[0];
}

int card_command_run(log_sink *log, char drive, const card_command &command, bool display) {
    const std::string drive_text(1, drive);
    std::vector<const char *> v{"", command[0].c_str(), drive_text.c_str()};
    for (size_t i = 1; i < command.size(); i++) v.push_back(command[i].c_str());
    if (display) {
        for (const char *text : v) {
            log_write(log, text);
            log_write(log, " ");
        }
        log_write(log, "\n");
    }
    return card_dispatch(log, static_cast<int>(v.size()), v.data());
}

int card_job_run(log_sink *log, char drive, const card_job &job, bool display) {
    if (job.commands.empty()) return job.failed_event;
    for (const card_command &command : job.commands)
        if (card_command_run(log, drive, command, display) != 0) return job.failed_event;
    return job.ok_event;
}

task_job card_job_task(const card_job &job, char drive, bool display) {
    task_job task;
    task.can_stop = job.can_stop;
    task.work = [job, drive, display](log_sink *log) { return card_job_run(log, drive, job, display); };
    return task;
}

task_job card_listing_job(char drive, std::shared_ptr<card_list> result, const std::string &dat) {
    task_job task;
    task.can_stop = true;  // between blocks
    task.work = [drive, result = std::move(result), dat](log_sink *log) {
        const std::string drive_text(1, drive);
        dat_catalog catalog;
        if (card_list_rows(log, drive_text.c_str(), result.get()) && !dat.empty() &&
            dat_check_load(log, dat.c_str(), false, false, &catalog))
            dat_check_list(log, drive_text.c_str(), catalog, result.get());
        return static_cast<int>(CARD_EVENT_LISTED);
    };
    return task;
}

task_job card_drive_scan_job(std::shared_ptr<std::vector<std::string>> result) {
    task_job task;
    task.work = [result = std::move(result)](log_sink *) {
        drive_table_refresh();
        *result = drive_entry_texts(drive_table_entries());
        return static_cast<int>(CARD_EVENT_DRIVES_SCANNED);
    };
    return task;
}
