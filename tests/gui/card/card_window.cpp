#include "tests/gui/card/card_window.h"

#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>

#include "card/store/drive_table.h"

void card_window_test::SetUp() {
    // Toolkit messages go to stderr: a message box would wait for a person.
    delete wxLog::SetActiveTarget(new wxLogStderr());
    drive_table_clear();
    drive_table_use_roots(system.roots);
    config = std::make_unique<my_config>(wxString::FromUTF8(files.dir));
    frame = new wxFrame(nullptr, wxID_ANY, "card pages", wxDefaultPosition, wxSize(900, 700));
    auto *column = new wxBoxSizer(wxVERTICAL);
    notebook = new wxNotebook(frame, wxID_ANY);
    notebook->AddPage(new wxPanel(notebook), "com.main");
    notebook->AddPage(new wxPanel(notebook), "com.sub");
    log_control = new wxTextCtrl(frame, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(-1, 120),
                                 wxTE_MULTILINE | wxTE_READONLY);
    log = std::make_shared<window_log>(log_control);
    pem = new my_pem_panel(frame, notebook, config.get(), log);
    column->Add(notebook, 1, wxEXPAND);
    column->Add(pem, 0, wxEXPAND);
    column->Add(log_control, 0, wxEXPAND);
    frame->SetSizer(column);
    frame->Show();
    pump_pending();
}

void card_window_test::TearDown() {
    ASSERT_TRUE(idle());
    log->cut();
    frame->Destroy();
    pump_until([&] { return wxTopLevelWindows.GetCount() == 0; }, 5000);
    drive_table_clear();
}

bool card_window_test::idle() {
    return pump_until([&] { return !pem->task()->busy(); });
}

bool card_window_test::enter_page(int index) {
    pem->page_entered(index);
    return idle();
}

bool card_window_test::choose(char letter) {
    wxChoice *drives = pem->drive_chooser();
    for (unsigned i = 0; i < drives->GetCount(); i++)
        if (drives->GetString(i)[0] == letter) {
            drives->SetSelection(static_cast<int>(i));
            return true;
        }
    return false;
}

std::string card_window_test::log_text() {
    log->flush();
    return log_control->GetValue().utf8_string();
}
