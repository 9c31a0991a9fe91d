#include "gui/device/my_oru_sub.h"

#include "gui/shell/replace_ask.h"
#include "gui/shell/task_event.h"
#include "gui/device/choice_wheel.h"
#include "gui/device/device_job.h"

namespace {

const char *const dump_maps[] = {"Generic ROM, System Card V1 or V2",
                                 "ROM+RAM (Super System Card, Populous)",
                                 "ROM+banked ROM (Street Fighter II')"};
const char *const memory_maps[] = {"Generic ROM", "Super System Card, Games Express CD card"};
const char *const destinations[] = {"GPRAM", "internal Flash Memory"};
const char *const destination_descriptions[] = {
    "GPRAM:\n  volatile data\n  ROM+RAM max capacity 512 KiByte",
    "internal Flash Memory:\n  non-volatile data\n  ROM max capacity 256 KiByte",
};

}  // namespace

my_oru_sub::my_oru_sub(wxWindow *parent, my_config *config, device_half half)
    : oru_sub(parent), m_config(config), m_link(this, m_gauge, std::move(half)) {
    m_link.state_listener_add([this] { update_enabled(); });

    for (const char *entry : dump_maps) m_dump_map->Append(entry);
    for (const char *entry : memory_maps) m_memorymap->Append(entry);
    for (const char *entry : destinations) m_destination->Append(entry);
    m_dump_map->SetSelection(0);
    m_destination->SetSelection(0);
    m_memorymap->SetSelection(static_cast<int>(m_config->ReadLong("com.romupload.map", 0)));
    if (m_memorymap->GetSelection() == wxNOT_FOUND) m_memorymap->SetSelection(0);
    m_config->load_picker_path(m_colortable_file, "com.romupload.filename");
    m_config->load_picker_path(m_dump_file, "com.romdumper.path");
    m_config->load_picker_path(m_updater_file, "com.updater.path");
    m_dat_file->SetPath(m_config->Read("com.romdumper.dat", ""));
    m_verify->SetValue(m_config->ReadBool("com.romdumper.verify", false));
    m_name_by_dat->SetValue(m_config->ReadBool("com.romdumper.namebydat", false));

    choice_wheel_scrolls_page(this);
    Bind(EVT_TASK_DONE, &my_oru_sub::on_task_done, this);
}

my_oru_sub::~my_oru_sub() {
    m_config->store_long("com.romupload.map", m_memorymap->GetSelection());
    m_config->store_string("com.romupload.filename", m_colortable_file->GetPath());
    m_config->store_picker_dir(m_dump_file, "com.romdumper.path");
    m_config->store_picker_dir(m_updater_file, "com.updater.path");
    m_config->store_string("com.romdumper.dat", m_dat_file->GetPath());
    m_config->store_bool("com.romdumper.verify", m_verify->GetValue());
    m_config->store_bool("com.romdumper.namebydat", m_name_by_dat->GetValue());
}

void my_oru_sub::update_enabled() {
    const bool can_start = m_link.can_start();
    for (wxWindow *b : std::initializer_list<wxWindow *>{m_update, m_dump, m_colortable_upload})
        b->Enable(can_start);
    m_stop->Enable(m_link.task->stoppable());
}

wxString my_oru_sub::dump_file() const {
    wxString file = m_dump_file->GetPath();
    return file.empty() ? wxString("rom.pce") : file;
}

void my_oru_sub::on_update(wxCommandEvent &) {
    m_link.run(device_firmware_job(m_updater_file->GetPath().utf8_string(), m_link.port()));
}

void my_oru_sub::on_dump(wxCommandEvent &) {
    const wxString file = dump_file();
    if (!replace_allowed(this, file)) return;
    rom_dump_checks checks;
    checks.verify = m_verify->GetValue();
    checks.dat_file = m_dat_file->GetPath().utf8_string();
    // Naming by title needs a DAT to find the title in.
    checks.name_by_dat = m_name_by_dat->GetValue() && !checks.dat_file.empty();
    const std::vector<std::string> words =
        device_rom_dump_words(m_dump_map->GetSelection(), file.utf8_string(), checks);
    if (!words.empty()) m_link.run(words);
}

void my_oru_sub::on_colortable_upload(wxCommandEvent &) {
    m_link.run({"colortable", m_colortable_file->GetPath().utf8_string()});
}

void my_oru_sub::on_destination(wxCommandEvent &) {
    int entry = m_destination->GetSelection();
    if (entry < 0 || entry > 1 || m_described[entry]) return;
    m_described[entry] = true;
    m_link.task->log()->append(destination_descriptions[entry]);
    m_link.task->log()->append("\n");
}

void my_oru_sub::on_stop(wxCommandEvent &) { m_link.task->stop(); }

void my_oru_sub::on_task_done(wxCommandEvent &) { m_link.task->thread_close(); }
