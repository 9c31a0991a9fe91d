#include "gui/card/card_page.h"

#include <wx/choice.h>

char card_half::drive_letter() const {
    if (!drive_chosen()) return card_drive_letter("");
    return card_drive_letter(drives->GetString(drives->GetSelection()).utf8_string());
}

bool card_half::drive_chosen() const {
    const int chosen = drives->GetSelection();
    return chosen != wxNOT_FOUND && drives->GetString(chosen) != OPEN_CARD_IMAGE_ENTRY;
}

void card_half::drive_changed() const {
    for (const std::function<void()> &listener : m_drive_listeners) listener();
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
