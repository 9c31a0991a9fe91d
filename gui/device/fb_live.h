// The frame store as the main page lends it to the capture worker, with the
// live picture its line callback paints into.
//
// Threading: the render callback runs on the worker thread and only writes the
// line into the staging picture under a short lock, then asks the window for
// one repaint (at most one queued at a time, so a fast stream coalesces into a
// repaint per event-loop turn). Everything else runs on the window thread.
// Ownership: shared by the canvas and a running worker; the canvas detaches in
// its destructor and the worker's later lines go nowhere.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <wx/image.h>

#include "gui/shell/window_mailbox.h"
#include "device/framebuffer.h"

class fb_live {
public:
    fb_live();
    ~fb_live();
    fb_live(const fb_live &) = delete;
    fb_live &operator=(const fb_live &) = delete;

    framebuffer *store() { return m_store; }

    // Window thread. repaint runs on target's queue after lines arrive.
    void attach(wxEvtHandler *target, std::function<void()> repaint);
    void detach();
    // Black at alpha 127, nothing waiting.
    void clear();
    // Copies the staging picture into image (681 x 263 with alpha) when lines
    // arrived since the last copy; false when nothing changed.
    bool copy_to(wxImage *image);

    // The line callback handed to fb_create; context is the fb_live.
    static int render_update(void *context, int y, const uint16_t *line, const fb_entry *palette,
                             int count);

private:
    framebuffer *m_store;
    window_mailbox_ptr m_mailbox;
    std::function<void()> m_repaint;
    std::mutex m_mutex;
    std::vector<unsigned char> m_rgb;    // staging picture, 3 bytes a pixel
    std::vector<unsigned char> m_alpha;  // 1 byte a pixel
    int m_dirty_first = FRAMEBUFFER_HEIGHT;
    int m_dirty_last = -1;
    bool m_repaint_queued = false;
};
