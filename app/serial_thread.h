// Device workers: each builds one argument vector ("", command words, port,
// "500000"), runs it through the device dispatcher and posts one completion
// event to its page.
//
// Threading: fields are set on the window thread before the worker starts and
// then belong to the worker. Workers are joinable and owned by the device
// task, which joins each one when its completion event arrives (and waits for
// it before the task goes). The worker still holds shared references to the
// log, the gauge, the page's mailbox and anything the command borrows (the
// frame store), so its text and event are dropped once the window has cut
// its mailboxes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <wx/thread.h>

#include "app/window_gauge.h"
#include "app/window_log.h"
#include "app/window_mailbox.h"

#define SERIAL_BAUD_TEXT "500000"

class serial_thread : public wxThread {
public:
    serial_thread() : wxThread(wxTHREAD_JOINABLE) {}

    window_mailbox_ptr m_page;
    window_log_ptr m_log;
    window_gauge_ptr m_gauge;
    std::string m_portname;

    // The whole vector, for the worker and for tests.
    std::vector<std::string> argument_vector() const;

protected:
    ExitCode Entry() override;
    // The words between the leading empty text and the port name.
    virtual std::vector<std::string> command_words() const = 0;
    virtual void *frame_store() const { return nullptr; }
    // status is the dispatcher's, ok whether the command did what it was asked
    // (the two rows with a reversed status convention make them differ).
    virtual int event_id(int status, int ok) const;
};

// A command without arguments.
class arg0san : public serial_thread {
public:
    explicit arg0san(std::string command) : m_command(std::move(command)) {}

protected:
    std::vector<std::string> command_words() const override { return {m_command}; }

private:
    std::string m_command;
};

// A command whose last argument is a file name (UTF-8).
class arg_filename : public serial_thread {
public:
    std::string m_filename;
};

// n - 1 fixed words starting with the command, then the file name.
class static_arg_name : public arg_filename {
public:
    explicit static_arg_name(std::vector<std::string> words) : m_words(std::move(words)) {}

protected:
    std::vector<std::string> command_words() const override;

private:
    std::vector<std::string> m_words;
};

// save_dn / save_up with a backup RAM page.
class backupram_manager : public arg_filename {
public:
    backupram_manager(std::string command, int page) : m_command(std::move(command)), m_page(page) {}

protected:
    std::vector<std::string> command_words() const override;

private:
    std::string m_command;
    int m_page;
};

// memorybase up / down.
class memorybase_manager : public arg_filename {
public:
    explicit memorybase_manager(std::string direction) : m_direction(std::move(direction)) {}

protected:
    std::vector<std::string> command_words() const override;

private:
    std::string m_direction;
};

// vceget into a borrowed frame store; completion 42 / 43.
class fbrenderer : public arg_filename {
public:
    // The store stays alive through keep for as long as the worker runs.
    fbrenderer(void *store, std::shared_ptr<void> keep) : m_store(store), m_keep(std::move(keep)) {}

protected:
    std::vector<std::string> command_words() const override;
    void *frame_store() const override { return m_store; }
    int event_id(int status, int ok) const override;

private:
    void *m_store;
    std::shared_ptr<void> m_keep;
};
