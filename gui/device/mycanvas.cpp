#include "gui/device/mycanvas.h"

#include <cstring>

#include <wx/dcclient.h>

#include "gui/device/canvas_image.h"

mycanvas::mycanvas(wxWindow *parent, const wxSize &size)
    : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, size, wxHSCROLL | wxVSCROLL) {
    SetScrollRate(1, 1);
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetClientSize(size);
    Bind(wxEVT_PAINT, &mycanvas::on_paint, this);
    m_picture = empty_picture(size.GetWidth(), size.GetHeight());
    m_background = checkerboard(size.GetWidth(), size.GetHeight());
    compose();
}

void mycanvas::reset() {
    wxSize size = m_picture.GetSize();
    m_picture = empty_picture(size.GetWidth(), size.GetHeight());
    m_background = checkerboard(size.GetWidth(), size.GetHeight());
    compose();
}

void mycanvas::set_picture(const wxImage &image) {
    m_picture = image.Copy();
    if (!m_picture.HasAlpha()) {
        m_picture.InitAlpha();
        std::memset(m_picture.GetAlpha(), 255,
                    static_cast<size_t>(m_picture.GetWidth()) * m_picture.GetHeight());
    }
    m_background = checkerboard(m_picture.GetWidth(), m_picture.GetHeight());
    compose();
}

void mycanvas::compose() {
    m_composed = wxBitmap(compose_over(m_background, m_picture));
    SetVirtualSize(m_composed.GetWidth(), m_composed.GetHeight());
    Refresh(false);
}

void mycanvas::on_paint(wxPaintEvent &) {
    wxPaintDC dc(this);
    DoPrepareDC(dc);
    dc.Clear();
    dc.DrawBitmap(m_composed, 0, 0);
}

mycanvas_fb::mycanvas_fb(wxWindow *parent)
    : mycanvas(parent, wxSize(FRAMEBUFFER_WIDTH, FRAMEBUFFER_HEIGHT)),
      m_live(std::make_shared<fb_live>()) {
    // The lambda runs from this canvas's own event queue, which dies with it,
    // and the mailbox is cut first: it never sees a destroyed canvas.
    m_live->attach(this, [this] { take_lines(); });
}

mycanvas_fb::~mycanvas_fb() { m_live->detach(); }

void mycanvas_fb::reset_capture() {
    m_live->clear();
    reset();
}

void mycanvas_fb::take_lines() {
    if (!m_live->copy_to(&m_picture)) return;
    compose();
    Update();
}
