#include "ui/gtk_tuning.h"

#include <gtk/gtk.h>

void tuneGtk() {
    static const char kCss[] =
        "button{min-height:0;min-width:0;padding:0 4px}"
        "entry{min-height:0;padding:0 3px}"
        "scale{min-height:0;padding:0 6px}"
        "scale trough{min-height:4px}"
        "scale slider{min-width:12px;min-height:12px;margin:-5px}"
        "checkbutton{padding:0}"
        "radiobutton{padding:0}"
        "check{min-width:12px;min-height:12px;margin:0 4px 0 0}"
        "radio{min-width:12px;min-height:12px;margin:0 4px 0 0}";
    static bool applied = false;
    if (applied) {
        return;
    }
    applied = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kCss, -1, nullptr);
    // Above the theme (600), below the user's own settings.
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider), 800);
    g_object_unref(provider);
    // The volume of a burn-in should not leap by a stray click.
    g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE, nullptr);
}
