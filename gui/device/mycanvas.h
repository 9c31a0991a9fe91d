// The viewers' scrollable canvas: a checkerboard, a picture with alpha over it,
// and the composed bitmap that painting draws at the scrolled origin.
//
// Threading: window thread only; mycanvas_fb takes lines from the worker
// through fb_live.
#pragma once

#include <memory>

#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/scrolwin.h>

#include "gui/device/fb_live.h"

class mycanvas : public wxScrolledWindow {
public:
    mycanvas(wxWindow *parent, const wxSize &size);

    // Picture black at alpha 127 over a checkerboard, both of the client size.
    void reset();
    // A loaded picture; one without alpha is made opaque.
    void set_picture(const wxImage &image);
    const wxImage &picture() const { return m_picture; }
    const wxBitmap &composed() const { return m_composed; }

protected:
    void compose();
    wxImage m_picture;

private:
    void on_paint(wxPaintEvent &event);

    wxImage m_background;
    wxBitmap m_composed;
};

// The frame buffer viewer's canvas: owns (a share of) the frame store whose
// line callback paints into it while a capture runs.
class mycanvas_fb : public mycanvas {
public:
    explicit mycanvas_fb(wxWindow *parent);
    ~mycanvas_fb() override;

    const std::shared_ptr<fb_live> &live() const { return m_live; }
    // Also clears the lines the worker has gathered but not yet shown.
    void reset_capture();

private:
    void take_lines();

    std::shared_ptr<fb_live> m_live;
};
