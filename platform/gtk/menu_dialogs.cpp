// The clock's menu and dialogs on GTK: modal, with the clock ticking on.
#include <cmath>

#include "clock_surface.h"

namespace torven::gtk {

std::string Mnemonic(std::string_view caption) {
    std::string label;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '_') {
            label += "__";
        } else if (caption[i] != '&') {
            label += caption[i];
        } else if (i + 1 < caption.size()) {
            label += caption[++i] == '&' ? "&" : "_" + std::string(1, caption[i]);
        }
    }
    return label;
}

GtkWidget* BuildPopupMenu(std::span<const MenuItem> items) {
    GtkWidget* menu = gtk_menu_new();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        const std::string label = Mnemonic(item.Caption);
        GtkWidget* entry = item.IsSeparator() ? gtk_separator_menu_item_new()
                           : item.Checked     ? gtk_check_menu_item_new_with_mnemonic(label.c_str())
                                              : gtk_menu_item_new_with_mnemonic(label.c_str());
        if (item.Checked) gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(entry), TRUE);
        g_object_set_data(G_OBJECT(entry), "index", GINT_TO_POINTER(i));
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
    }
    gtk_widget_show_all(menu);
    return menu;
}

int ClockSurface::PopupMenu(std::span<const MenuItem> items) {
    GtkWidget* menu = BuildPopupMenu(items);
    g_object_ref_sink(menu);
    gtk_menu_attach_to_widget(GTK_MENU(menu), window_, nullptr);
    struct Run {
        GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
        int chosen = -1;
    } run;
    gtk_container_foreach(
        GTK_CONTAINER(menu),
        [](GtkWidget* entry, gpointer data) {
            g_signal_connect(entry, "activate", G_CALLBACK(+[](GtkWidget* chosen, Run* run) {
                                 run->chosen =
                                     GPOINTER_TO_INT(g_object_get_data(G_OBJECT(chosen), "index"));
                             }),
                             data);
        },
        &run);
    // The entry is activated right after the menu closes, within the same event.
    g_signal_connect_swapped(menu, "deactivate", G_CALLBACK(g_main_loop_quit), run.loop);
    GdkEvent* trigger = gtk_get_current_event();
    gtk_menu_popup_at_pointer(GTK_MENU(menu), trigger);
    if (trigger) gdk_event_free(trigger);
    modal_ = menu;
    if (gtk_widget_get_visible(menu)) g_main_loop_run(run.loop);
    modal_ = nullptr;
    held_ = false;  // the menu took the release
    gtk_widget_destroy(menu);
    g_object_unref(menu);
    g_main_loop_unref(run.loop);
    return run.chosen;
}

int ClockSurface::RunModal(GtkWidget* dialog) {
    // An ordinary window of its own: a layer surface is no parent for one.
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    modal_ = dialog;
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    modal_ = nullptr;
    return response;
}

std::optional<Color> ClockSurface::ShowColor() {
    GtkWidget* dialog = gtk_color_chooser_dialog_new(nullptr, nullptr);
    const GdkRGBA white{1, 1, 1, 1};
    gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(dialog), FALSE);
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &white);
    const bool ok = RunModal(dialog) == GTK_RESPONSE_OK;
    GdkRGBA chosen{};
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
    gtk_widget_destroy(dialog);
    if (!ok) return std::nullopt;
    const auto byte = [](double v) { return static_cast<Color>(std::lround(v * 255)); };
    return byte(chosen.red) | byte(chosen.green) << 8 | byte(chosen.blue) << 16;
}

void ClockSurface::MsgBox(std::string_view prompt, std::string_view title) {
    std::string text(prompt);
    std::erase(text, '\r');
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                            GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), std::string(title).c_str());
    RunModal(box);
    gtk_widget_destroy(box);
}

}  // namespace torven::gtk
