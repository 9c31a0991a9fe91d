#include "gui/card/my_panel_mmcbkram.h"

#include <wx/dir.h>
#include <wx/filename.h>

#include "gui/shell/save_list_view.h"
#include "gui/shell/task_event.h"
#include "gui/card/list_rows.h"
#include "gui/card/card_job.h"

my_panel_mmcbkram::my_panel_mmcbkram(wxWindow *parent, const card_page_link &link)
    : panel_mmcbkram(parent), m_link(link) {
    m_path->SetPath(m_link.config->Read("bkram.path", wxEmptyString));
    bool overwrite = false;
    m_link.config->Read("bkram.overwrite", &overwrite, false);
    m_overwrite->SetValue(overwrite);
    m_save_status_format = m_save_status->GetLabel();
    m_save_status->SetLabel(wxString::Format(m_save_status_format, "nothing listed"));
    m_link.task->state_listener_add([this] { update_enabled(); });
    Bind(EVT_TASK_DONE, &my_panel_mmcbkram::on_done, this);
}

my_panel_mmcbkram::~my_panel_mmcbkram() {
    m_link.config->store_string("bkram.path", m_path->GetPath());
    m_link.config->store_bool("bkram.overwrite", m_overwrite->GetValue());
}

void my_panel_mmcbkram::update_enabled() {
    // The write explains in the log what it misses, so it needs no selection here.
    for (wxWindow *b : std::initializer_list<wxWindow *>{m_read_all, m_write, m_reload, m_save_list_pc,
                                                          m_save_list, m_save_copy, m_save_delete})
        b->Enable(!m_link.task->busy());
}

void my_panel_mmcbkram::clear() {
    m_pc_list->Clear();
    m_card_list->Clear();
    m_numbers.clear();
    m_save_entries->Clear();
    m_save_status->SetLabel(wxString::Format(m_save_status_format, "nothing listed"));
}

void my_panel_mmcbkram::list_pc_folder() {
    m_pc_list->Clear();
    m_pc_folder = m_path->GetPath();
    if (m_pc_folder.empty() || !wxDir::Exists(m_pc_folder)) return;
    wxDir dir(m_pc_folder);
    wxString name;
    wxArrayString names;
    for (bool found = dir.GetFirst(&name, "*.sav", wxDIR_FILES); found; found = dir.GetNext(&name))
        names.Add(name);
    names.Sort();
    m_pc_list->Set(names);
}

void my_panel_mmcbkram::on_folder(wxFileDirPickerEvent &) { list_pc_folder(); }

void my_panel_mmcbkram::reload() {
    if (m_link.task->busy()) return;
    clear();
    list_pc_folder();
    m_listing = std::make_shared<card_list>();
    m_link.run(m_mailbox, card_listing_job(m_link.half->drive_letter(), m_listing));
}

void my_panel_mmcbkram::on_done(wxCommandEvent &) {
    m_link.task->thread_close();
    if (m_saves) {
        show_saves();
        return;
    }
    if (m_relist_saves) {
        m_relist_saves = false;
        list_saves(m_saves_place);
        return;
    }
    if (!m_listing) return;
    for (const card_list_row &row : m_listing->rows) {
        m_card_list->Append(wxString::FromUTF8(bkram_row_text(row.image_number, row.name)));
        m_numbers.push_back(row.image_number);
    }
    m_listing.reset();
}

void my_panel_mmcbkram::on_reload(wxCommandEvent &) { reload(); }

void my_panel_mmcbkram::on_read_all(wxCommandEvent &) {
    const wxString folder = m_path->GetPath();
    if (wxFileName::FileExists(folder)) {
        page_log(m_link, (folder + " is normal file\n").utf8_string().c_str());
        return;
    }
    if (!wxDir::Exists(folder) && !wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL))
        return;
    m_link.run(m_mailbox, card_job_bkram_read(folder.utf8_string(), m_overwrite->GetValue()));
}

void my_panel_mmcbkram::on_write(wxCommandEvent &) {
    const int pc = m_pc_list->GetSelection();
    if (pc == wxNOT_FOUND) {
        page_log(m_link, "PC file is not selected\n");
        return;
    }
    // The file shown selected, in the folder the list was read from: the
    // field may have been edited since.
    const wxString file = wxFileName(m_pc_folder, m_pc_list->GetString(pc)).GetFullPath();
    if (!wxFileName::FileExists(file)) {
        page_log(m_link, "PC file is not found\n");
        return;
    }
    const int card = m_card_list->GetSelection();
    if (card == wxNOT_FOUND) {
        page_log(m_link, "MMC Image is not selected\n");
        return;
    }
    m_link.run(m_mailbox, card_job_bkram_write(m_numbers[card], file.utf8_string()));
}

bool my_panel_mmcbkram::selected_area(save_place *place) {
    const int card = m_card_list->GetSelection();
    if (card == wxNOT_FOUND) {
        page_log(m_link, "MMC Image is not selected\n");
        return false;
    }
    *place = save_place{};
    place->card = true;
    place->drive = std::string(1, m_link.half->drive_letter());
    place->image = std::to_string(m_numbers[card]);
    return true;
}

bool my_panel_mmcbkram::selected_pc_file(save_place *place) {
    const int pc = m_pc_list->GetSelection();
    if (pc == wxNOT_FOUND) {
        page_log(m_link, "PC file is not selected\n");
        return false;
    }
    *place = save_place{};
    place->file = wxFileName(m_pc_folder, m_pc_list->GetString(pc)).GetFullPath().utf8_string();
    return true;
}

void my_panel_mmcbkram::list_saves(const save_place &place) {
    m_saves_place = place;
    m_saves = std::make_shared<save_view>();
    m_link.run(m_mailbox, save_list_job(place, m_saves, CARD_EVENT_LISTED, CARD_EVENT_LISTED));
}

void my_panel_mmcbkram::show_saves() {
    show_save_view(m_save_entries, m_save_status, m_save_status_format, m_saves_place, *m_saves);
    m_saves.reset();
}

void my_panel_mmcbkram::on_save_list_pc(wxCommandEvent &) {
    save_place place;
    if (selected_pc_file(&place)) list_saves(place);
}

void my_panel_mmcbkram::on_save_list(wxCommandEvent &) {
    save_place place;
    if (selected_area(&place)) list_saves(place);
}

// Across: from the listed file to the selected image's area, or from the
// listed area to the selected file.
void my_panel_mmcbkram::on_save_copy(wxCommandEvent &) {
    const int entry = m_save_entries->GetSelection();
    if (entry == wxNOT_FOUND) {
        page_log(m_link, "save is not selected\n");
        return;
    }
    save_place to;
    if (!(m_saves_place.card ? selected_pc_file(&to) : selected_area(&to))) return;
    m_relist_saves = true;
    m_link.run(m_mailbox, save_copy_job(m_saves_place, "#" + std::to_string(entry + 1), to,
                                        CARD_EVENT_LISTED, CARD_EVENT_LISTED));
}

void my_panel_mmcbkram::on_save_delete(wxCommandEvent &) {
    const int entry = m_save_entries->GetSelection();
    if (entry == wxNOT_FOUND) {
        page_log(m_link, "save is not selected\n");
        return;
    }
    m_relist_saves = true;
    m_link.run(m_mailbox, save_delete_job(m_saves_place, "#" + std::to_string(entry + 1),
                                          CARD_EVENT_LISTED, CARD_EVENT_LISTED));
}
