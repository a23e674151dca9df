#include "ui/window_placement.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

namespace {

bool onScreen(wxTopLevelWindow* window) {
    GtkWidget* widget = window->GetHandle();
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    return window->IsShownOnScreen() && gdkWindow != nullptr &&
           (gdk_window_get_state(gdkWindow) & GDK_WINDOW_STATE_WITHDRAWN) == 0;
}

}  // namespace

void placeWhenShown(wxTopLevelWindow* window, wxPoint position) {
    gtk_window_move(GTK_WINDOW(window->GetHandle()), position.x, position.y);
    afterShown(window, [window, position] {
        if (GdkWindow* gdkWindow = gtk_widget_get_window(window->GetHandle())) {
            gdk_window_move(gdkWindow, position.x, position.y);
        }
    });
}

void afterShown(wxTopLevelWindow* window, const std::function<void()>& action) {
    window->Bind(wxEVT_IDLE, [window, action, done = false](wxIdleEvent& event) mutable {
        event.Skip();
        if (done || !onScreen(window)) {
            return;
        }
        done = true;
        action();
    });
}
