#include "gui/card/panel_mmcbkram.h"

#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/wrapsizer.h>

#include "gui/card/page_sizes.h"

panel_mmcbkram::panel_mmcbkram(wxWindow *parent) : wxPanel(parent, wxID_ANY) {
    auto *column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(this, wxID_ANY, "path for read and write"), 0, wxALL, 2);
    m_path = new wxDirPickerCtrl(this, wxID_ANY, wxEmptyString, "Select a folder",
                                 wxDefaultPosition, wxDefaultSize, wxDIRP_USE_TEXTCTRL);
    column->Add(m_path, 0, wxEXPAND | wxALL, 2);
    auto *lists = new wxBoxSizer(wxHORIZONTAL);
    m_pc_list = new wxListBox(this, wxID_ANY);
    m_card_list = new wxListBox(this, wxID_ANY);
    for (wxListBox *list : {m_pc_list, m_card_list})
        list->SetMinSize(wxSize(BKRAM_LIST_MIN_WIDTH, LIST_MIN_HEIGHT));
    lists->Add(m_pc_list, 1, wxEXPAND | wxALL, 2);
    lists->Add(m_card_list, 1, wxEXPAND | wxALL, 2);
    column->Add(lists, 1, wxEXPAND);

    auto *read_box = new wxStaticBoxSizer(wxHORIZONTAL, this, "multiple read to PC");
    m_overwrite = new wxCheckBox(read_box->GetStaticBox(), wxID_ANY, "overwrite to PC");
    m_read_all = new wxButton(read_box->GetStaticBox(), wxID_ANY, "&read all datas to PC");
    read_box->Add(m_overwrite, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    read_box->Add(m_read_all, 0, wxALL, 2);
    const wxString write_label = "write PC side to MMC";
    auto *write_box = new wxStaticBoxSizer(wxHORIZONTAL, this, write_label);
    m_write = new wxButton(write_box->GetStaticBox(), wxID_ANY, "&write to MMC");
    write_box->Add(m_write, 0, wxALL, 2);
    // GTK sizes a box by its contents alone: this one button is narrower than
    // the box's own label, which would be cut.
    write_box->SetMinSize(wxSize(write_box->GetStaticBox()->GetTextExtent(write_label).x + 24, -1));
    // The two groups and the reload button take more than a narrow window's
    // width: they wrap onto the next line instead of running off the page.
    auto *boxes = new wxWrapSizer(wxHORIZONTAL);
    boxes->Add(read_box, 0, wxALL, 2);
    boxes->Add(write_box, 0, wxALL, 2);
    m_reload = new wxButton(this, wxID_ANY, "re&load lists");
    boxes->Add(m_reload, 0, wxALIGN_CENTER_VERTICAL | wxALL, 2);
    column->Add(boxes, 0, wxEXPAND);

    auto *saves_box = new wxStaticBoxSizer(wxVERTICAL, this, "saves in the selected PC file or MMC image");
    wxWindow *saves_parent = saves_box->GetStaticBox();
    m_save_entries = new wxListBox(saves_parent, wxID_ANY);
    m_save_entries->SetMinSize(wxSize(BKRAM_LIST_MIN_WIDTH, LIST_MIN_HEIGHT / 2));
    saves_box->Add(m_save_entries, 1, wxEXPAND | wxALL, 2);
    m_save_status = new wxStaticText(saves_parent, wxID_ANY, "%s");
    saves_box->Add(m_save_status, 0, wxALL, 2);
    auto *save_buttons = new wxWrapSizer(wxHORIZONTAL);
    m_save_list_pc = new wxButton(saves_parent, wxID_ANY, "list saves of &PC file");
    m_save_list = new wxButton(saves_parent, wxID_ANY, "list saves of &MMC image");
    m_save_copy = new wxButton(saves_parent, wxID_ANY, "&copy save across");
    m_save_copy->SetToolTip("into the PC file or MMC image selected in the other list");
    m_save_delete = new wxButton(saves_parent, wxID_ANY, "&delete save");
    for (wxButton *b : {m_save_list_pc, m_save_list, m_save_copy, m_save_delete})
        save_buttons->Add(b, 0, wxALL, 2);
    saves_box->Add(save_buttons, 0, wxEXPAND);
    column->Add(saves_box, 1, wxEXPAND | wxALL, 2);
    SetSizer(column);

    m_read_all->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_read_all(e); });
    m_write->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_write(e); });
    m_reload->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_reload(e); });
    m_save_list_pc->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_save_list_pc(e); });
    m_save_list->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_save_list(e); });
    m_save_copy->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_save_copy(e); });
    m_save_delete->Bind(wxEVT_BUTTON, [this](wxCommandEvent &e) { on_save_delete(e); });
    m_path->Bind(wxEVT_DIRPICKER_CHANGED, [this](wxFileDirPickerEvent &e) { on_folder(e); });
}
