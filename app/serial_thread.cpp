#include "app/serial_thread.h"

#include <cstdio>

#include "app/task_event.h"
#include "device/device_dispatch.h"

std::vector<std::string> serial_thread::argument_vector() const {
    std::vector<std::string> v{""};
    for (auto &word : command_words()) v.push_back(word);
    v.push_back(m_portname);
    v.push_back(SERIAL_BAUD_TEXT);
    return v;
}

int serial_thread::event_id(int, int ok) const {
    return ok ? TASK_ID_DONE : TASK_ID_FAILED;
}

wxThread::ExitCode serial_thread::Entry() {
    std::vector<std::string> words = argument_vector();
    std::vector<const char *> v;
    for (auto &word : words) v.push_back(word.c_str());
    int ok = 0;
    int status =
        device_dispatch(m_log->sink(), frame_store(), static_cast<int>(v.size()), v.data(), &ok);
    m_log->end_line();
    wxCommandEvent done(EVT_TASK_DONE, event_id(status, ok));
    m_page->post(done);
    return nullptr;
}

std::vector<std::string> static_arg_name::command_words() const {
    std::vector<std::string> words = m_words;
    words.push_back(m_filename);
    return words;
}

std::vector<std::string> backupram_manager::command_words() const {
    char page[4];
    snprintf(page, sizeof page, "%d", m_page);
    return {m_command, page, m_filename};
}

std::vector<std::string> memorybase_manager::command_words() const {
    return {"memorybase", m_direction, m_filename};
}

std::vector<std::string> fbrenderer::command_words() const { return {"vceget", m_filename}; }

// vceget reports a failed capture only in the log; 43 means the dispatch
// itself failed (the port could not be opened).
int fbrenderer::event_id(int status, int) const {
    return status == 0 ? TASK_ID_FB_DONE : TASK_ID_FB_FAILED;
}
