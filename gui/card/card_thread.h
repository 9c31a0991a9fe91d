// Card workers. Each runs one card job (or the listing, or the drive scan)
// and posts one completion event, numbered as in card_job.h, to its page.
//
// Threading: fields are set on the window thread before the worker starts
// and then belong to the worker. Workers are joinable and owned by the card
// task, which joins each one when its completion event arrives. The worker
// holds shared references to the log and the page's mailbox; what it hands
// back (the listing, the drive names) travels in shared results that the
// page reads when the event arrives on the window thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <wx/thread.h>

#include "app/window_gauge.h"
#include "app/window_log.h"
#include "app/window_mailbox.h"
#include "card/commands/card_list.h"
#include "gui/card/card_job.h"

class thread_base : public wxThread {
public:
    thread_base() : wxThread(wxTHREAD_JOINABLE) {}

    window_mailbox_ptr m_page;
    window_log_ptr m_log;
    window_gauge_ptr m_gauge;  // kept alive while the command steps it
    char m_drive = ';';
    bool m_display = false;
    // Whether the work has stop points, so that Stop is offered meanwhile.
    virtual bool can_stop() const { return false; }

protected:
    void post_done(int event_number);
};

// Runs a card job: formatter, writer, mmcbk_read, mmcbk_write, config_set_kun,
// rawdumper, amountchanger, mmccrckun and reorderer differ only in the job.
class card_job_thread : public thread_base {
public:
    explicit card_job_thread(card_job job) : m_job(std::move(job)) {}
    const card_job &job() const { return m_job; }
    bool can_stop() const override { return m_job.can_stop; }

protected:
    ExitCode Entry() override;

private:
    card_job m_job;
};

struct formatter : card_job_thread {
    explicit formatter(bool force) : card_job_thread(card_job_format(force)) {}
};
struct writer : card_job_thread {
    writer(const std::string &image_file, const std::string &name, bool display, bool verify)
        : card_job_thread(card_job_add(image_file, name, display, verify)) {}
};
struct mmcbk_read : card_job_thread {
    mmcbk_read(const std::string &folder, bool overwrite)
        : card_job_thread(card_job_bkram_read(folder, overwrite)) {}
};
struct mmcbk_write : card_job_thread {
    mmcbk_write(uint32_t image_number, const std::string &file)
        : card_job_thread(card_job_bkram_write(image_number, file)) {}
};
struct config_set_kun : card_job_thread {
    config_set_kun(const config_change &change, const std::vector<uint32_t> &images,
                   const std::string &name)
        : card_job_thread(card_job_config(change, images, name)) {}
};
struct rawdumper : card_job_thread {
    rawdumper(uint32_t image_number, const std::string &folder)
        : card_job_thread(card_job_rawdump(image_number, folder)) {}
};
struct amountchanger : card_job_thread {
    explicit amountchanger(uint32_t image_number)
        : card_job_thread(card_job_amount_change(image_number)) {}
};
struct mmccrckun : card_job_thread {
    explicit mmccrckun(uint32_t image_number) : card_job_thread(card_job_hash(image_number)) {}
};
struct card_checker : card_job_thread {
    card_checker() : card_job_thread(card_job_check()) {}
};
// One order per block, all in this one worker, so no listing can start
// between the blocks.
struct reorderer : card_job_thread {
    explicit reorderer(const std::vector<uint32_t> &images)
        : card_job_thread(card_job_reorder(images)) {}
};

// The card listing; event 4 whether or not the card opened.
class listupsan : public thread_base {
public:
    explicit listupsan(std::shared_ptr<card_list> result) : m_result(std::move(result)) {}

protected:
    ExitCode Entry() override;

private:
    std::shared_ptr<card_list> m_result;
};

// The drive scan: the chooser's entries, then event 14.
class driveletter_getter : public thread_base {
public:
    explicit driveletter_getter(std::shared_ptr<std::vector<std::string>> result)
        : m_result(std::move(result)) {}

protected:
    ExitCode Entry() override;

private:
    std::shared_ptr<std::vector<std::string>> m_result;
};
