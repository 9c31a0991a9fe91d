#include "gui/shell/window_mailbox.h"

// The lock is held while queueing so that cut() cannot return between the
// check and the queueing: the target is alive for the whole post.
bool window_mailbox::call_after(std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_target == nullptr) return false;
    m_target->CallAfter(std::move(fn));
    return true;
}

bool window_mailbox::post(const wxEvent &event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_target == nullptr) return false;
    wxQueueEvent(m_target, event.Clone());
    return true;
}

void window_mailbox::cut() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = nullptr;
}
