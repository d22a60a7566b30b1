// The clock on a Wayland desktop, through GTK 3: the FormsRuntime the form asks for effects,
// and the window that raises the form's events.
//
// Implemented: where the compositor offers the layer shell (gtk-layer-shell), a layer surface
// anchored to an output's top-left corner, the place its margins (the output holding the
// place, else the first), on the top layer when always in front and the bottom one when not,
// never in a taskbar, keys on demand (the menu's access keys), its moves reported to the form;
// elsewhere a plain undecorated window that the compositor places and moves (a left press
// hands it the move) and that cannot stay in front. Both: geometry in twips (15 a logical
// pixel), at most kMaxSidePixels device pixels a side; the form's image shown as it is
// (Cairo's ARGB32) at the output's scale, a new scale a new size to the form; the labels' text
// over it in the desktop's font, fitted, without anti-aliasing; the elliptic input region; the
// menu at the pointer, the colour and message dialogs as ordinary windows, all modal with the
// clock ticking on; the settings file the X11 clock keeps; a tick at the start of each second
// of the system clock, at once when the clock is set; the form unloaded when the compositor
// goes away. The menu and the dialogs are in menu_dialogs.cpp.
#pragma once

#include <gtk/gtk.h>

#include <span>
#include <string>
#include <vector>

#include "forms_runtime.h"
#include "linux_host.h"

namespace torven::gtk {

// The output that holds the point (x, y), in the compositor's layout, else the first, and the
// point's offset from that output's top-left corner: a layer surface's place.
struct LayerPlace {
    int output = 0;
    int left = 0, top = 0;
    bool operator==(const LayerPlace&) const = default;
};
LayerPlace PlaceOnOutputs(int x, int y, std::span<const GdkRectangle> outputs);

// The pointer from the surface's current place, given where the compositor reports it while a
// button is held: from the surface's place at the press (as sway does), so that a drag that
// moves the surface by the pointer's offset from the press follows the pointer exactly.
inline double FromCurrentPlace(double reported, int placeAtPress, int placeNow) {
    return reported + placeAtPress - placeNow;
}

// A caption with GTK's mnemonic: "&" marks the access key, "&&" is an "&", "_" is itself.
std::string Mnemonic(std::string_view caption);
// The popup menu for the entries (a floating reference); each item's "index" is its place in
// `items`, and an entry checked is a check item.
GtkWidget* BuildPopupMenu(std::span<const MenuItem> items);

class ClockSurface : public LinuxRuntime {
  public:
    // The window, hidden, at the form's design-time place and size.
    ClockSurface();
    ~ClockSurface() override;
    // The surface behind a window handle of Module1.
    static ClockSurface& From(std::intptr_t hWnd) { return *reinterpret_cast<ClockSurface*>(hWnd); }

    // Attach: the form whose events the window raises; Start: its Load, then the ticks.
    void Attach(FormEvents& events);
    void Start();
    // Raises the form's tick and arms the timer for the start of the next second.
    void Tick();
    bool Layered() const { return layered_; }
    GtkWidget* Window() const { return window_; }

    // The window services of Module1, in logical pixels of the compositor's layout.
    GdkRectangle OuterRect() const { return {place_.x, place_.y, size_.width, size_.height}; }
    // The region the pointer reaches (taken over).
    void SetShape(cairo_region_t* region);
    const cairo_region_t* Shape() const { return shape_; }
    void SetAlwaysInFront(bool above);
    void ShowWithoutActivating();

    // FormsRuntime. The place is the one the form gave: on a layer surface it is where the
    // window is; on a plain window the compositor chooses, and it is only kept.
    float Left() const override { return scale_.ToTwips(place_.x); }
    float Top() const override { return scale_.ToTwips(place_.y); }
    float Width() const override { return scale_.ToTwips(size_.width); }
    float Height() const override { return scale_.ToTwips(size_.height); }
    void SetLeft(float twips) override { MoveTo({scale_.ToPixels(twips), place_.y}); }
    void SetTop(float twips) override { MoveTo({place_.x, scale_.ToPixels(twips)}); }
    void SetWidth(float twips) override {
        ResizeTo(std::max(scale_.ToPixels(twips), 1), size_.height);
    }
    void SetHeight(float twips) override {
        ResizeTo(size_.width, std::max(scale_.ToPixels(twips), 1));
    }
    std::vector<TwipsRect> Monitors() const override;
    std::intptr_t hWnd() const override { return reinterpret_cast<std::intptr_t>(this); }
    DeviceArea ClientArea() const override {
        return {size_.width * ratio_, size_.height * ratio_, 96.0 * ratio_};
    }
    void ShowImage(std::span<const PixelRect> changed) override;
    void DestroyForm(int exitStatus) override;
    int ExitStatus() const { return exitStatus_; }  // the form's, once it has ended the program
    // Modal, the clock ticking on: the menu at the pointer, the dialogs as ordinary windows.
    int PopupMenu(std::span<const MenuItem> items) override;
    std::optional<Color> ShowColor() override;
    void MsgBox(std::string_view prompt, std::string_view title) override;

  private:
    static gboolean OnDraw(GtkWidget*, cairo_t* cr, ClockSurface* self);
    static gboolean OnButton(GtkWidget*, GdkEventButton* event, ClockSurface* self);
    static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, ClockSurface* self);

    // The window takes the place; a layer surface goes there, and the form hears of it.
    void MoveTo(GdkPoint place);
    // The window takes the size (at most kMaxSidePixels device pixels a side), and the form
    // is told when it or the scale changed.
    void ResizeTo(int width, int height);
    std::vector<GdkRectangle> Outputs() const;
    // Runs the dialog modally; its response.
    int RunModal(GtkWidget* dialog);
    // Pointer position in twips from the window's current top-left corner.
    std::pair<float, float> ClientTwips(double x, double y) const;

    GtkWidget* window_ = nullptr;
    bool layered_ = false;
    FormEvents* events_ = nullptr;
    TwipsScale scale_;  // twips per logical pixel
    int ratio_ = 1;     // the scale the form last drew at
    GdkPoint place_{};
    GtkRequisition size_{};
    GdkPoint pressPlace_{};  // the place when a button went down
    bool held_ = false;      // a button is down
    cairo_region_t* shape_ = nullptr;
    PangoFontDescription* font_ = nullptr;
    PangoContext* text_ = nullptr;  // the labels' text, without anti-aliasing
    GtkWidget* modal_ = nullptr;    // the open menu or dialog
    guint tickSource_ = 0;
    int exitStatus_ = 0;
};

}  // namespace torven::gtk
