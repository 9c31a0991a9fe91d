#include "gui/card/card_page.h"

#include <wx/choice.h>

char card_half::drive_letter() const {
    const int chosen = drives->GetSelection();
    if (chosen == wxNOT_FOUND) return card_drive_letter("");
    return card_drive_letter(drives->GetString(chosen).utf8_string());
}

void card_page_link::run(const page_mailbox &page, const card_job &job) const {
    if (!job.refusal.empty()) {
        page_log(*this, job.refusal.c_str());
        return;
    }
    run(page, card_job_task(job, half->drive_letter(), half->command_display));
}

void card_page_link::run(const page_mailbox &page, task_job job) const {
    task->run({page.get(), half->gauge}, std::move(job));
}
