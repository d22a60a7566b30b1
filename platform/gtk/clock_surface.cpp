#include "clock_surface.h"

#include <glib-unix.h>
#include <gtk-layer-shell.h>

#include <algorithm>
#include <cstdlib>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include "readout.h"

namespace torven::gtk {
namespace {

int ButtonCode(guint button) {
    switch (button) {
        case GDK_BUTTON_PRIMARY:
            return kLeftButton;
        case GDK_BUTTON_SECONDARY:
            return kRightButton;
        case GDK_BUTTON_MIDDLE:
            return kMiddleButton;
    }
    return 0;
}

int HeldCode(guint state) {
    return (state & GDK_BUTTON1_MASK ? kLeftButton : 0) |
           (state & GDK_BUTTON3_MASK ? kRightButton : 0) |
           (state & GDK_BUTTON2_MASK ? kMiddleButton : 0);
}

int ShiftCode(guint state) {
    return (state & GDK_SHIFT_MASK ? 1 : 0) | (state & GDK_CONTROL_MASK ? 2 : 0) |
           (state & GDK_MOD1_MASK ? 4 : 0);
}

void SetSourceColor(cairo_t* cr, Color color) {
    cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                         ((color >> 16) & 0xFF) / 255.0);
}

// The readout's font: the desktop's, fitted to the labels at logical pixels (readout.h).
PangoFontDescription* ReadoutFont(std::span<const Label> labels, PangoContext* context) {
    gchar* desktop = nullptr;
    g_object_get(gtk_settings_get_default(), "gtk-font-name", &desktop, nullptr);
    PangoFontDescription* font = pango_font_description_from_string(desktop ? desktop : "Sans");
    g_free(desktop);
    PangoLayout* layout = pango_layout_new(context);
    const int size = ReadoutPixelSize(labels, TwipsScale(), [&](int pixels, auto text) {
        pango_font_description_set_absolute_size(font, pixels * PANGO_SCALE);
        pango_layout_set_font_description(layout, font);
        gchar* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()),
                                      static_cast<glong>(text.size()), nullptr, nullptr, nullptr);
        pango_layout_set_text(layout, utf8, -1);
        g_free(utf8);
        TextExtent extent;
        pango_layout_get_pixel_size(layout, &extent.width, &extent.height);
        return extent;
    });
    g_object_unref(layout);
    pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
    return font;
}

}  // namespace

LayerPlace PlaceOnOutputs(int x, int y, std::span<const GdkRectangle> outputs) {
    int chosen = 0;
    for (int i = 0; i < static_cast<int>(outputs.size()); ++i) {
        const GdkRectangle& o = outputs[i];
        if (x >= o.x && x < o.x + o.width && y >= o.y && y < o.y + o.height) {
            chosen = i;
            break;
        }
    }
    const GdkRectangle origin = outputs.empty() ? GdkRectangle{} : outputs[chosen];
    return {chosen, x - origin.x, y - origin.y};
}

ClockSurface::ClockSurface() : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
    GtkWindow* window = GTK_WINDOW(window_);
    gtk_window_set_title(window, "TORVEN");
    gtk_window_set_decorated(window, FALSE);
    gtk_window_set_skip_taskbar_hint(window, TRUE);
    gtk_window_set_skip_pager_hint(window, TRUE);
    gtk_window_set_focus_on_map(window, FALSE);
    gtk_widget_set_app_paintable(window_, TRUE);
    // Transparent outside the face: the desktop shows in the corners.
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(window_)))
        gtk_widget_set_visual(window_, rgba);
    gtk_widget_add_events(
        window_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
#ifdef GDK_WINDOWING_WAYLAND
    GdkDisplay* display = gtk_widget_get_display(window_);
    layered_ = GDK_IS_WAYLAND_DISPLAY(display) &&
               OffersLayerShell(gdk_wayland_display_get_wl_display(display));
#endif
    if (layered_) {
        gtk_layer_init_for_window(window);
        gtk_layer_set_namespace(window, "torven");
        gtk_layer_set_anchor(window, GTK_LAYER_SHELL_EDGE_TOP, TRUE);
        gtk_layer_set_anchor(window, GTK_LAYER_SHELL_EDGE_LEFT, TRUE);
        // Placed from the output's own corner, over panels, pushing no window aside.
        gtk_layer_set_exclusive_zone(window, -1);
        // A menu of a layer surface takes keys only from a surface that may have them, on
        // demand (the layer shell's fourth version; kwin 5.27 has the third).
        if (gtk_layer_get_protocol_version() >= 4)
            gtk_layer_set_keyboard_mode(window, GTK_LAYER_SHELL_KEYBOARD_MODE_ON_DEMAND);
    }
    g_signal_connect(window_, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(window_, "button-press-event", G_CALLBACK(OnButton), this);
    g_signal_connect(window_, "button-release-event", G_CALLBACK(OnButton), this);
    g_signal_connect(window_, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect_swapped(window_, "notify::scale-factor", G_CALLBACK(+[](ClockSurface* self) {
                                 self->ResizeTo(self->size_.width, self->size_.height);
                             }),
                             this);
    g_signal_connect_swapped(window_, "delete-event",
                             G_CALLBACK(+[](ClockSurface* self) -> gboolean {
                                 // The form decides; its Unload destroys the window.
                                 if (self->events_) self->events_->Unload();
                                 return TRUE;
                             }),
                             this);

    text_ = pango_font_map_create_context(pango_cairo_font_map_get_default());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    pango_cairo_context_set_font_options(text_, options);
    cairo_font_options_destroy(options);

    place_ = {scale_.ToPixels(kDesignClientArea.left), scale_.ToPixels(kDesignClientArea.top)};
    MoveTo(place_);
    ResizeTo(scale_.ToPixels(kDesignClientArea.right) - place_.x,
             scale_.ToPixels(kDesignClientArea.bottom) - place_.y);
}

ClockSurface::~ClockSurface() {
    if (tickSource_) g_source_remove(tickSource_);
    gtk_widget_destroy(window_);
    if (shape_) cairo_region_destroy(shape_);
    if (font_) pango_font_description_free(font_);
    g_object_unref(text_);
}

void ClockSurface::Attach(FormEvents& events) {
    events_ = &events;
    font_ = ReadoutFont(events.Labels(), text_);
#ifdef GDK_WINDOWING_WAYLAND
    // The compositor gone (the session's end): the form unloads, saving, before GDK would end
    // the program at the broken connection, on the same news a little later.
    GdkDisplay* display = gtk_widget_get_display(window_);
    if (GDK_IS_WAYLAND_DISPLAY(display))
        g_unix_fd_add_full(
            G_PRIORITY_HIGH, wl_display_get_fd(gdk_wayland_display_get_wl_display(display)),
            static_cast<GIOCondition>(G_IO_HUP | G_IO_ERR),
            [](gint, GIOCondition, gpointer self) -> gboolean {
                auto* surface = static_cast<ClockSurface*>(self);
                if (surface->events_) surface->events_->Unload();
                std::exit(surface->exitStatus_);
            },
            this, nullptr);
#endif
}

void ClockSurface::Start() {
    if (!layered_)
        Warn(
            "TORVEN: this compositor has no layer shell: it places the clock and keeps it "
            "among the windows; the stored place stays as it was");
    if (!events_) return;
    events_->Load();
    if (!events_ || clock_.Fd() < 0) return;
    tickSource_ = g_unix_fd_add(
        clock_.Fd(), G_IO_IN,
        [](gint, GIOCondition, gpointer self) -> gboolean {
            auto* surface = static_cast<ClockSurface*>(self);
            if (surface->clock_.Due()) surface->Tick();
            return surface->tickSource_ ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
        },
        this);
    if (!clock_.Arm()) g_source_remove(tickSource_), tickSource_ = 0;
}

void ClockSurface::Tick() {
    if (events_) events_->Timer();
    if (events_ && tickSource_ && !clock_.Arm()) tickSource_ = 0;
}

void ClockSurface::SetShape(cairo_region_t* region) {
    gtk_widget_input_shape_combine_region(window_, region);
    if (shape_) cairo_region_destroy(shape_);
    shape_ = region;
}

void ClockSurface::SetAlwaysInFront(bool above) {
    // A plain window stays among the others: the compositor decides, and it is a setting only.
    if (layered_)
        gtk_layer_set_layer(GTK_WINDOW(window_),
                            above ? GTK_LAYER_SHELL_LAYER_TOP : GTK_LAYER_SHELL_LAYER_BOTTOM);
}

void ClockSurface::ShowWithoutActivating() {
    gtk_widget_show(window_);
}

void ClockSurface::MoveTo(GdkPoint place) {
    place_ = place;
    if (!layered_) return;
    const std::vector<GdkRectangle> outputs = Outputs();
    const LayerPlace at = PlaceOnOutputs(place.x, place.y, outputs);
    GdkDisplay* display = gtk_widget_get_display(window_);
    GdkMonitor* monitor = gdk_display_get_monitor(display, at.output);
    if (monitor && gtk_layer_get_monitor(GTK_WINDOW(window_)) != monitor)
        gtk_layer_set_monitor(GTK_WINDOW(window_), monitor);
    gtk_layer_set_margin(GTK_WINDOW(window_), GTK_LAYER_SHELL_EDGE_LEFT, at.left);
    gtk_layer_set_margin(GTK_WINDOW(window_), GTK_LAYER_SHELL_EDGE_TOP, at.top);
    // The compositor carries the margins out as they are.
    if (events_ && gtk_widget_get_mapped(window_)) events_->Moved(Left(), Top());
}

void ClockSurface::ResizeTo(int width, int height) {
    const int scale = gtk_widget_get_scale_factor(window_);
    const int most = MostSide(scale);
    width = std::min(width, most), height = std::min(height, most);
    if (width == size_.width && height == size_.height && scale == ratio_) return;
    size_ = {width, height};
    ratio_ = scale;
    gtk_widget_set_size_request(window_, width, height);
    gtk_window_resize(GTK_WINDOW(window_), width, height);
    gtk_widget_queue_draw(window_);
    if (events_) events_->Resize();
}

std::vector<GdkRectangle> ClockSurface::Outputs() const {
    GdkDisplay* display = gtk_widget_get_display(window_);
    std::vector<GdkRectangle> outputs(gdk_display_get_n_monitors(display));
    for (int i = 0; i < static_cast<int>(outputs.size()); ++i)
        gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &outputs[i]);
    return outputs;
}

std::vector<TwipsRect> ClockSurface::Monitors() const {
    GdkDisplay* display = gtk_widget_get_display(window_);
    const GdkMonitor* primary = gdk_display_get_primary_monitor(display);
    std::vector<TwipsRect> monitors;
    for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
        GdkMonitor* monitor = gdk_display_get_monitor(display, i);
        GdkRectangle g;
        gdk_monitor_get_geometry(monitor, &g);
        const TwipsRect rect{scale_.ToTwips(g.x), scale_.ToTwips(g.y),
                             scale_.ToTwips(g.x + g.width), scale_.ToTwips(g.y + g.height)};
        monitors.insert(monitor == primary ? monitors.begin() : monitors.end(), rect);
    }
    return monitors;
}

void ClockSurface::ShowImage(std::span<const PixelRect> changed) {
    for (const PixelRect& r : changed) {
        const PixelRect area = Covering(r, ratio_);
        gtk_widget_queue_draw_area(window_, area.left, area.top, area.right - area.left,
                                   area.bottom - area.top);
    }
}

gboolean ClockSurface::OnDraw(GtkWidget*, cairo_t* cr, ClockSurface* self) {
    if (!self->events_) return TRUE;
    const Image& face = self->events_->Face();
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (face.Blank() || face.Width() != self->size_.width * self->ratio_) {
        SetSourceColor(cr, kNoFace);
    } else {
        // The form's pixels as they are, no copy, their transparency too.
        cairo_surface_t* image = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(face.Pixels())),
            CAIRO_FORMAT_ARGB32, face.Width(), face.Height(), face.Width() * 4);
        cairo_surface_set_device_scale(image, self->ratio_, self->ratio_);
        cairo_set_source_surface(cr, image, 0, 0);
        cairo_surface_destroy(image);
    }
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    PangoLayout* layout = pango_layout_new(self->text_);
    pango_layout_set_font_description(layout, self->font_);
    for (const Label& label : self->events_->Labels()) {
        if (!label.Visible || label.Caption.empty()) continue;
        const PixelRect r = face.ToPixels(label.Left, label.Top, label.Width, label.Height);
        const double ratio = self->ratio_;
        cairo_save(cr);
        cairo_rectangle(cr, r.left / ratio, r.top / ratio, (r.right - r.left) / ratio,
                        (r.bottom - r.top) / ratio);
        cairo_clip(cr);
        SetSourceColor(cr, label.ForeColor);
        cairo_move_to(cr, r.left / ratio, r.top / ratio);
        pango_layout_set_text(layout, label.Caption.c_str(), -1);
        pango_cairo_show_layout(cr, layout);
        cairo_restore(cr);
    }
    g_object_unref(layout);
    return TRUE;
}

std::pair<float, float> ClockSurface::ClientTwips(double x, double y) const {
    // While a button is held, sway reports the pointer from where the surface was at the
    // press; the form adds this to Left/Top, which must be measured from the same corner.
    if (held_ && layered_) {
        x = FromCurrentPlace(x, pressPlace_.x, place_.x);
        y = FromCurrentPlace(y, pressPlace_.y, place_.y);
    }
    return {scale_.ToTwips(x), scale_.ToTwips(y)};
}

gboolean ClockSurface::OnButton(GtkWidget*, GdkEventButton* event, ClockSurface* self) {
    const int button = ButtonCode(event->button);
    const bool press = event->type == GDK_BUTTON_PRESS;  // not a double or triple click's
    if (!self->events_ || button == 0 || (!press && event->type != GDK_BUTTON_RELEASE)) return TRUE;
    if (press && button == kLeftButton && !self->layered_) {
        // The compositor moves a plain window; the clock cannot know where to.
        gtk_window_begin_move_drag(GTK_WINDOW(self->window_), event->button,
                                   static_cast<int>(event->x_root), static_cast<int>(event->y_root),
                                   event->time);
        return TRUE;
    }
    const auto [x, y] = self->ClientTwips(event->x, event->y);
    if (press && !self->held_) self->pressPlace_ = self->place_;
    if (press) {
        self->held_ = true;
        self->events_->MouseDown(button, ShiftCode(event->state), x, y);
    } else {
        self->held_ = (HeldCode(event->state) & ~button) != 0;  // the state before the release
        self->events_->MouseUp(button, ShiftCode(event->state), x, y);
    }
    return TRUE;
}

gboolean ClockSurface::OnMotion(GtkWidget*, GdkEventMotion* event, ClockSurface* self) {
    if (!self->events_) return TRUE;
    const auto [x, y] = self->ClientTwips(event->x, event->y);
    self->events_->MouseMove(HeldCode(event->state), ShiftCode(event->state), x, y);
    return TRUE;
}

void ClockSurface::DestroyForm(int exitStatus) {
    exitStatus_ = exitStatus;
    if (tickSource_) g_source_remove(tickSource_), tickSource_ = 0;
    events_ = nullptr;
    gtk_widget_hide(window_);
    // Every loop ends: an open menu or dialog, and the program's, also one not started yet.
    if (GTK_IS_MENU(modal_)) gtk_menu_shell_deactivate(GTK_MENU_SHELL(modal_));
    if (GTK_IS_DIALOG(modal_)) gtk_dialog_response(GTK_DIALOG(modal_), GTK_RESPONSE_NONE);
    g_idle_add(
        [](gpointer) -> gboolean {
            if (gtk_main_level() > 0) gtk_main_quit();
            return G_SOURCE_REMOVE;
        },
        nullptr);
}

}  // namespace torven::gtk
