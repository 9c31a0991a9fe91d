// What the card pages ask the card half's runner to do: one or more card
// commands and their two completion event numbers, the listing, the drive
// scan. Built on the window thread, run on the card worker; toolkit-free so
// the vectors can be checked without a window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/shell/task_job.h"
#include "card/commands/card_list.h"
#include "core/log.h"
#include "gui/card/config_change.h"

// Completion events posted to the page that started the task.
enum card_event {
    CARD_EVENT_FORMAT_OK = 0,
    CARD_EVENT_FORMAT_FAILED = 1,
    CARD_EVENT_ADD_OK = 2,
    CARD_EVENT_ADD_FAILED = 3,
    CARD_EVENT_LISTED = 4,  // also the end of both backup RAM tasks
    CARD_EVENT_CONFIG_OK = 6,
    CARD_EVENT_CONFIG_FAILED = 7,
    CARD_EVENT_DUMP_OK = 8,  // rawdump and amount_change
    CARD_EVENT_DUMP_FAILED = 9,
    CARD_EVENT_HASH_OK = 10,
    CARD_EVENT_HASH_FAILED = 11,
    CARD_EVENT_ORDER_OK = 12,
    CARD_EVENT_ORDER_FAILED = 13,
    CARD_EVENT_DRIVES_SCANNED = 14,
    CARD_EVENT_CHECK_OK = 15,
    CARD_EVENT_CHECK_FAILED = 16,
    CARD_EVENT_MOVE_OK = 17,  // extract, backup, restore
    CARD_EVENT_MOVE_FAILED = 18,
};

// A command name followed by its arguments; the drive letter is added when
// it runs.
using card_command = std::vector<std::string>;

struct card_job {
    std::vector<card_command> commands;  // run in order; the first failure ends the job
    int ok_event = 0;
    int failed_event = 0;
    bool can_stop = false;  // its commands have stop points, so Stop is offered
    // Why the job cannot run (a limit of the command); empty when it can. A
    // refused job has no commands; the page logs the refusal.
    std::string refusal;
};

// The most images one configuration changes, and the first image number
// past the card's last.
enum { CARD_CONFIG_IMAGES_MAX = 100, CARD_IMAGE_NUMBER_END = 10000 };

// force: also over a file system the program cannot list (the user agreed).
card_job card_job_format(bool force = false);
// add_withname with the prefix and name; in command display mode "add" with
// the prefix only. Without verify the command skips reading back what it
// wrote; with a DAT it checks the input first and, with name_by_dat, stores
// the DAT's title (the options, then "--" so that no name is taken for an
// option).
card_job card_job_add(const std::string &image_file, const std::string &name, bool display,
                      bool verify = true, const std::string &dat = "", bool name_by_dat = false);
card_job card_job_bkram_read(const std::string &folder, bool overwrite);
card_job card_job_bkram_write(uint32_t image_number, const std::string &file);
// config_single with the name for one image, config_multi for 2..100.
// Refused for no image or more than 100.
card_job card_job_config(const config_change &change, const std::vector<uint32_t> &images,
                         const std::string &name);
// The dump goes to "<folder>/discNN.raw".
card_job card_job_rawdump(uint32_t image_number, const std::string &folder);
// The file a raw dump of the image writes in folder ("disc03.raw").
std::string card_rawdump_path(uint32_t image_number, const std::string &folder);
card_job card_job_amount_change(uint32_t image_number);
card_job card_job_hash(uint32_t image_number);
// The read-only check of the whole card; it can be stopped.
card_job card_job_check();
// The images as files in folder, in the form ("ccd" or "cue"); the whole
// card into an archive; an archive back onto the card (format: the user
// agreed to format it first). All three can be stopped.
card_job card_job_extract(const std::vector<uint32_t> &images, const std::string &folder,
                          const std::string &form);
card_job card_job_backup(const std::string &archive);
card_job card_job_restore(const std::string &archive, bool format);
// One order per run of numbers of the same block, each filled up to 100
// numbers with the block's unlisted records. Refused when a number is
// 10000 or above.
card_job card_job_reorder(const std::vector<uint32_t> &images_in_list_order);
// The shown order's blocks whose order differs from the listed one, each
// whole; empty when none changed, or when a block's images are not one run
// of the same images as listed (nothing is then written at all).
std::vector<uint32_t> card_order_changed_blocks(const std::vector<uint32_t> &shown,
                                                const std::vector<uint32_t> &listed);

// The drive letter of a chooser entry ("E: ..."): its first character, or
// ';' (which every card command refuses) when nothing is chosen.
char card_drive_letter(const std::string &chosen_entry);

// Runs one command through the card dispatcher; returns its result (0 ok).
// display: the vector is written to the log first, each element and a blank.
int card_command_run(log_sink *log, char drive, const card_command &command, bool display);
// Runs every command of the job and returns the event to post.
int card_job_run(log_sink *log, char drive, const card_job &job, bool display);
// The job as the runner runs it, on the drive and in the display mode of now.
task_job card_job_task(const card_job &job, char drive, bool display);
// The card listing into result; event 4 whether or not the card opened.
// With a DAT, each row's dat field is filled too (a DAT that does not read
// leaves them empty, with its message in the log).
task_job card_listing_job(char drive, std::shared_ptr<card_list> result, const std::string &dat = "");
// The drive scan: the chooser's entries into result, then event 14.
task_job card_drive_scan_job(std::shared_ptr<std::vector<std::string>> result);
