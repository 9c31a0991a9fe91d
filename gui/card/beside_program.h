// Files installed beside the program (notices, help texts, pictures), found
// there whatever the working directory.
#pragma once

#include <wx/string.h>

wxString beside_program(const wxString &name);
// The whole file as UTF-8 text; empty when it cannot be read.
wxString beside_program_text(const wxString &name);
