#include "gui/card/kind_pictures.h"

#include <wx/filename.h>
#include <wx/log.h>

#include "gui/card/beside_program.h"

namespace {

struct cell {
    int column, row;
};
const cell cd_cells[CD_KIND_COUNT + 1] = {{0, 5}, {4, 2}, {4, 0}, {4, 1}, {5, 0}, {5, 1}, {5, 2}, {5, 3}};
const cell hucard_cells[HUCARD_KIND_COUNT] = {{0, 5}, {0, 2}, {0, 1}, {0, 3}};

wxBitmap kind_picture(const wxImage &icons, cell c) {
    return wxBitmap(icons.GetSubImage(wxRect(c.column * 16, c.row * 16, 13, 12)).Scale(26, 24));
}

}  // namespace

kind_pictures kind_pictures_load() {
    kind_pictures p;
    const wxString path = beside_program("icon.bin");
    wxImage icons;
    wxLogNull quiet;  // the caller reports a missing or wrong file once
    if (!wxFileName::FileExists(path) || !icons.LoadFile(path, wxBITMAP_TYPE_PNG) ||
        icons.GetWidth() != 96 || icons.GetHeight() != 112)
        return p;
    for (int i = 0; i <= CD_KIND_COUNT; i++) p.cd[i] = kind_picture(icons, cd_cells[i]);
    for (int i = 0; i < HUCARD_KIND_COUNT; i++) p.hucard[i] = kind_picture(icons, hucard_cells[i]);
    for (int i = 0; i < CONFIG_SETTING_COUNT; i++)
        p.setting[i] = wxBitmap(icons.GetSubImage(wxRect(i * 8, 96, 8, 8)));
    p.ok = true;
    return p;
}
