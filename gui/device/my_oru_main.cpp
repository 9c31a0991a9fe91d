#include "gui/device/my_oru_main.h"

#include <string>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/imagpng.h>

#include "gui/shell/save_list_view.h"
#include "gui/shell/replace_ask.h"
#include "gui/shell/task_event.h"
#include "device/framebuffer_naming.h"
#include "gui/device/capture_folder.h"
#include "gui/device/choice_wheel.h"
#include "gui/device/device_job.h"

namespace {

const char *const ram_pages[] = {"backup RAM 0", "backup RAM 1", "backup RAM 2", "memory base"};
constexpr int MEMORY_BASE_PAGE = 3;

}  // namespace

my_oru_main::my_oru_main(wxWindow *parent, my_config *config, device_half half)
    : oru_main(parent), m_config(config), m_link(this, m_gauge, std::move(half)) {
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);

    m_fb_view = new myframe_canvas(this, m_config, "com.fbview", "frame buffer viewer",
                                   wxSize(FRAMEBUFFER_WIDTH, FRAMEBUFFER_HEIGHT));
    m_fb_canvas = new mycanvas_fb(m_fb_view);
    m_fb_view->set_canvas(m_fb_canvas);
    m_screen_view = new myframe_canvas(this, m_config, "com.scview", "screen viewer", wxSize(256, 240));
    m_screen_canvas = new mycanvas(m_screen_view, wxSize(256, 240));
    m_screen_view->set_canvas(m_screen_canvas);

    m_link.state_listener_add([this] { update_enabled(); });

    for (const char *entry : ram_pages) m_savedata_page->Append(entry);
    long page = m_config->ReadLong("com.savedata.page", 0);
    m_savedata_page->SetSelection(page >= 0 && page <= MEMORY_BASE_PAGE ? static_cast<int>(page) : 0);
    m_config->load_picker_path(m_savedata_file, "com.savedata.path");
    m_png_path->SetPath(m_config->Read("com.png.path", wxFileName::DirName(wxGetCwd()).GetPathWithSep()));
    m_png_number = static_cast<int32_t>(m_config->ReadLong("com.png.number", 0));

    m_save_status_format = m_save_status->GetLabel();
    m_save_status->SetLabel(wxString::Format(m_save_status_format, "nothing listed"));
    choice_wheel_scrolls_page(this);
    Bind(EVT_TASK_DONE, &my_oru_main::on_task_done, this);
}

my_oru_main::~my_oru_main() {
    m_config->store_long("com.savedata.page", m_savedata_page->GetSelection());
    wxString png_path = m_png_path->GetPath();
    if (!png_path.empty()) m_config->store_string("com.png.path", wxFileName::DirName(png_path).GetPathWithSep());
    m_config->store_long("com.png.number", m_png_number);
    m_config->store_picker_dir(m_savedata_file, "com.savedata.path");
}

void my_oru_main::update_enabled() {
    const bool can_start = m_link.can_start();
    for (wxWindow *b : std::initializer_list<wxWindow *>{m_fb_download, m_savedata_download,
                                                         m_savedata_upload, m_reset, m_calibration})
        b->Enable(can_start);
    // The entries jobs work on files only: no port, no board.
    for (wxWindow *b : std::initializer_list<wxWindow *>{m_save_list, m_save_copy, m_save_delete})
        b->Enable(!m_link.task->busy());
    m_stop->Enable(m_link.task->stoppable());
}

void my_oru_main::page_message(const char *text) { m_link.task->log()->append(text); }

wxString my_oru_main::savedata_file() const {
    wxString file = m_savedata_file->GetPath();
    if (!file.empty()) return file;
    int page = m_savedata_page->GetSelection();
    if (page == MEMORY_BASE_PAGE) return "memorybase.sav";
    return wxString::Format("backupram%d.sav", page);
}

void my_oru_main::on_fb_download(wxCommandEvent &) {
    wxString folder = m_png_path->GetPath();
    if (folder.empty()) folder = wxGetCwd();
    if (const char *problem = capture_folder_problem(folder)) {
        page_message(problem);
        page_message("\n");
        return;
    }
    std::string name;
    int32_t counter = m_png_number;
    if (!fb_next_png_name(wxFileName::DirName(folder).GetPathWithSep().utf8_str(), &counter, &name)) {
        page_message("every capture name from 0000.png to 99999.png is taken\n");
        return;
    }
    m_png_number = counter;
    m_pngfile = wxString::FromUTF8(name);
    m_screen_view->Hide();
    m_fb_view->Show();
    m_fb_canvas->reset_capture();
    const std::shared_ptr<fb_live> &live = m_fb_canvas->live();
    m_link.run(device_capture_job(m_pngfile.utf8_string(), m_link.port(), live->store(), live));
}

void my_oru_main::on_show_buffer(wxCommandEvent &) { m_fb_view->Show(); }

void my_oru_main::on_show_screen(wxCommandEvent &) { m_screen_view->Show(); }

void my_oru_main::on_savedata_download(wxCommandEvent &) {
    const wxString file = savedata_file();
    if (!replace_allowed(this, file)) return;
    m_link.run(device_backupram_words(false, m_savedata_page->GetSelection(), file.utf8_string()));
}

void my_oru_main::on_savedata_upload(wxCommandEvent &) {
    m_link.run(device_backupram_words(true, m_savedata_page->GetSelection(),
                                      savedata_file().utf8_string()));
}

void my_oru_main::on_reset(wxCommandEvent &) { m_link.run({"reset"}); }

void my_oru_main::on_calibration(wxCommandEvent &) { m_link.run({"calb"}); }

void my_oru_main::on_stop(wxCommandEvent &) { m_link.task->stop(); }

void my_oru_main::on_task_done(wxCommandEvent &event) {
    switch (event.GetId()) {
    case TASK_ID_FB_DONE:
        task_fb_ok();
        break;
    case TASK_ID_FB_FAILED:
        m_link.task->thread_close();
        m_fb_view->Hide();
        break;
    default:
        m_link.task->thread_close();
        if (m_saves) {
            show_saves();
        } else if (m_relist_saves) {
            m_relist_saves = false;
            list_saves();
        }
        break;
    }
}

void my_oru_main::task_fb_ok() {
    m_link.task->thread_close();
    m_fb_view->Hide();
    if (!wxFileExists(m_pngfile)) return;
    wxImage image;
    if (!image.LoadFile(m_pngfile, wxBITMAP_TYPE_PNG)) {
        m_screen_canvas->reset();
        return;
    }
    m_screen_view->fit_to(image.GetSize());
    m_screen_canvas->set_picture(image);
    m_screen_view->Show();
}

void my_oru_main::list_saves() {
    m_saves_place = save_place{};
    m_saves_place.file = savedata_file().utf8_string();
    m_saves = std::make_shared<save_view>();
    m_link.run(save_list_job(m_saves_place, m_saves, TASK_ID_DONE, TASK_ID_FAILED));
}

void my_oru_main::show_saves() {
    show_save_view(m_save_entries, m_save_status, m_save_status_format, m_saves_place, *m_saves);
    m_saves.reset();
}

std::string my_oru_main::selected_entry() {
    const int entry = m_save_entries->GetSelection();
    if (entry != wxNOT_FOUND) return "#" + std::to_string(entry + 1);
    page_message("save entry is not selected\n");
    return std::string();
}

void my_oru_main::on_save_list(wxCommandEvent &) { list_saves(); }

void my_oru_main::on_save_copy(wxCommandEvent &) {
    const std::string entry = selected_entry();
    if (entry.empty()) return;
    const wxString target = m_save_target->GetPath();
    if (target.empty()) {
        page_message("copy target file is not selected\n");
        return;
    }
    save_place to;
    to.file = target.utf8_string();
    m_relist_saves = true;
    m_link.run(save_copy_job(m_saves_place, entry, to, TASK_ID_DONE, TASK_ID_FAILED));
}

void my_oru_main::on_save_delete(wxCommandEvent &) {
    const std::string entry = selected_entry();
    if (entry.empty()) return;
    m_relist_saves = true;
    m_link.run(save_delete_job(m_saves_place, entry, TASK_ID_DONE, TASK_ID_FAILED));
}
