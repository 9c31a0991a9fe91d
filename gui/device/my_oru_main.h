// The main device page: frame capture with numbered files and the two
// viewers, backup RAM and Memory Base transfer, reset and calibration.
//
// Threading: window thread only. The capture worker borrows the frame store
// through a shared fb_live and paints the frame buffer viewer through it.
#pragma once

#include <cstdint>

#include <memory>

#include "gui/shell/save_jobs.h"
#include "gui/shell/my_config.h"
#include "gui/device/device_page_link.h"
#include "gui/device/mycanvas.h"
#include "gui/device/myframe_canvas.h"
#include "gui/device/oru_main.h"

class my_oru_main : public oru_main {
public:
    my_oru_main(wxWindow *parent, my_config *config, device_half half);
    ~my_oru_main() override;

    myframe_canvas *fb_viewer() const { return m_fb_view; }
    myframe_canvas *screen_viewer() const { return m_screen_view; }
    const wxString &pngfile() const { return m_pngfile; }
    // The file the save data buttons use.
    wxString savedata_file() const;
    wxListBox *save_entries() const { return m_save_entries; }
    wxStaticText *save_status() const { return m_save_status; }
    wxFilePickerCtrl *save_target() const { return m_save_target; }

private:
    void on_fb_download(wxCommandEvent &event) override;
    void on_show_buffer(wxCommandEvent &event) override;
    void on_show_screen(wxCommandEvent &event) override;
    void on_savedata_download(wxCommandEvent &event) override;
    void on_savedata_upload(wxCommandEvent &event) override;
    void on_save_list(wxCommandEvent &event) override;
    void on_save_copy(wxCommandEvent &event) override;
    void on_save_delete(wxCommandEvent &event) override;
    void list_saves();
    void show_saves();
    // The selected entry as "#n"; empty, after a log line, when none is.
    std::string selected_entry();
    void on_reset(wxCommandEvent &event) override;
    void on_calibration(wxCommandEvent &event) override;
    void on_stop(wxCommandEvent &event) override;
    void on_task_done(wxCommandEvent &event);
    void task_fb_ok();
    void page_message(const char *text);
    void update_enabled();

    my_config *m_config;
    device_page_link m_link;
    myframe_canvas *m_fb_view;  // top-level children, destroyed with the page
    myframe_canvas *m_screen_view;
    mycanvas_fb *m_fb_canvas;
    mycanvas *m_screen_canvas;
    int32_t m_png_number;
    wxString m_pngfile;
    wxString m_save_status_format;
    std::shared_ptr<save_view> m_saves;  // while a list job runs
    save_place m_saves_place;            // the file the entries list shows
    bool m_relist_saves = false;         // after a copy or delete
};
