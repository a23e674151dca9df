#include "ui/window_placement.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

void placeWhenShown(wxTopLevelWindow* window, wxPoint position) {
    window->Bind(wxEVT_IDLE, [window, position, done = false](wxIdleEvent& event) mutable {
        event.Skip();
        if (done || !window->IsShownOnScreen()) {
            return;
        }
        done = true;
        if (GdkWindow* gdkWindow = gtk_widget_get_window(window->GetHandle())) {
            gdk_window_move(gdkWindow, position.x, position.y);
        }
    });
}
