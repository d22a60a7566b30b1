// The Wayland clock's host on an X server (a plain window, as where the compositor has no
// layer shell): the shared host checks, and what GTK adds.
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>

#include "access.h"
#include "clock_surface.h"
#include "form1.h"
#include "host_suite.h"

namespace torven::testing {
namespace {

// Runs the loop until `done` holds, for up to two seconds.
void Until(const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i)
        gtk_main_iteration_do(FALSE), g_usleep(5000);
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

void Settle(GtkWidget* window) {
    Until([window] { return gtk_widget_get_mapped(window); });
}

// The window, its clock set by the test, with a settings folder of its own.
class GtkHost : public Host, public gtk::ClockSurface {
  public:
    GtkHost() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path()); }
    DateTime Now() override { return now; }
    FormsRuntime& Runtime() override { return *this; }
    void Attach(FormEvents& events) override { ClockSurface::Attach(events); }
    void Show() override { ShowWithoutActivating(), Settle(Window()); }
    // What the window's paint draws, -1 outside the region that takes the pointer.
    // At device pixels, as the window's buffer holds them.
    Shot Take() override {
        Settle(Window());
        const int scale = gtk_widget_get_scale_factor(Window());
        const int w = OuterRect().width * scale, h = OuterRect().height * scale;
        cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_surface_set_device_scale(target, scale, scale);
        cairo_t* cr = cairo_create(target);
        gtk_widget_draw(Window(), cr);
        cairo_destroy(cr);
        cairo_surface_flush(target);
        const auto* pixels =
            reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(target));
        Shot shot{w, h, {}};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint32_t p = pixels[y * w + x];
                shot.pixels.push_back(
                    Shape() && !cairo_region_contains_point(Shape(), x / scale, y / scale)
                        ? -1
                        : Color((p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16));
            }
        cairo_surface_destroy(target);
        return shot;
    }
    // A file where the application's folder should be: no permission bits involved.
    void BlockStore() override {
        QDir(dir.path() + "/TORVEN").removeRecursively();
        QFile(dir.path() + "/TORVEN").open(QIODevice::WriteOnly);
    }
    QTemporaryDir dir;
};

struct GtkClock : GtkHost {
    GtkClock() { ClockSurface::Attach(form), Start(), Settle(Window()); }
    Form1 form{*this};
};

// Runs `act` on the first menu or dialog that opens, from inside its loop.
void WhenOpened(std::function<void(GtkWidget*)> act) {
    auto* pending = new std::function<void(GtkWidget*)>(std::move(act));
    g_timeout_add(
        10,
        [](gpointer data) -> gboolean {
            auto* act = static_cast<std::function<void(GtkWidget*)>*>(data);
            GList* windows = gtk_window_list_toplevels();
            GtkWidget* open = nullptr;
            for (GList* w = windows; w; w = w->next) {
                GtkWidget* child = gtk_bin_get_child(GTK_BIN(w->data));
                if (gtk_widget_get_mapped(GTK_WIDGET(w->data)) && GTK_IS_MENU(child)) open = child;
                if (gtk_widget_get_mapped(GTK_WIDGET(w->data)) && GTK_IS_DIALOG(w->data))
                    open = GTK_WIDGET(w->data);
            }
            g_list_free(windows);
            if (!open) return G_SOURCE_CONTINUE;
            (*act)(open), delete act;
            return G_SOURCE_REMOVE;
        },
        pending);
}

GdkEvent* Pointer(GdkEventType type, GtkWidget* window, double x, double y, guint button,
                  guint state) {
    GdkEvent* event = gdk_event_new(type);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    gdk_event_set_device(
        event, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
    if (type == GDK_MOTION_NOTIFY) {
        event->motion.x = x, event->motion.y = y, event->motion.state = state;
    } else {
        event->button.x = x, event->button.y = y, event->button.button = button;
        event->button.state = state;
    }
    return event;
}

// The entries the form gives, with GTK's access keys and check marks; the menu at the pointer
// returns the entry chosen, or -1, while the clock ticks on. About with the form's title and
// text; the colour picker's colour on OK.
TEST(GtkMenu, TheFormsEntriesTheDialogsAndTheClockTickingOn) {
    for (const auto& [caption, label] :
         {std::pair("色変化(&H)", "色変化(_H)"), {"a && b_c", "a & b__c"}, {"&x&", "_x"}})
        EXPECT_EQ(gtk::Mnemonic(caption), label);
    GtkWidget* menu = g_object_ref_sink(gtk::BuildPopupMenu(kMenuEntries));
    std::vector<std::tuple<std::string, bool, int>> items;
    GList* entries = gtk_container_get_children(GTK_CONTAINER(menu));
    for (GList* e = entries; e; e = e->next) {
        auto* entry = GTK_MENU_ITEM(e->data);
        items.emplace_back(GTK_IS_SEPARATOR_MENU_ITEM(entry) ? "-" : gtk_menu_item_get_label(entry),
                           GTK_IS_CHECK_MENU_ITEM(entry) &&
                               gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(entry)),
                           GPOINTER_TO_INT(g_object_get_data(G_OBJECT(entry), "index")));
    }
    EXPECT_EQ(items, (decltype(items){{"常に手前に表示", true, 0},
                                      {"大きく(_B)", false, 1},
                                      {"-", false, 2},
                                      {"終了(_X)", false, 3}}));
    g_list_free(entries), gtk_widget_destroy(menu), g_object_unref(menu);
    GtkClock c;

    // A right press on the face: the menu opens at the pointer and the clock ticks on (once a
    // second) until an entry is chosen, here Bigger, or none.
    c.now.second = 40;
    WhenOpened([](GtkWidget* open) {
        g_timeout_add(
            1100,
            [](gpointer menu) -> gboolean {
                GList* entries = gtk_container_get_children(GTK_CONTAINER(menu));
                gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu),
                                             GTK_WIDGET(g_list_nth_data(entries, 4)), TRUE);
                g_list_free(entries);
                return G_SOURCE_REMOVE;
            },
            open);
    });
    GdkEvent* press = Pointer(GDK_BUTTON_PRESS, c.Window(), 50, 50, 3, 0);
    gtk_main_do_event(press);
    EXPECT_EQ(std::pair(c.Width(), c.form.Labels()[1].Caption),
              std::pair(3210.0f, std::string("13:20:40")));
    WhenOpened([](GtkWidget* open) { gtk_menu_shell_deactivate(GTK_MENU_SHELL(open)); });
    gtk_main_do_event(press), gdk_event_free(press);
    EXPECT_EQ(c.Width(), 3210.0f);

    std::string about;
    WhenOpened([&](GtkWidget* open) {
        gchar* text = nullptr;
        g_object_get(open, "text", &text, nullptr);
        about = std::string(gtk_window_get_title(GTK_WINDOW(open))) + ": " + text;
        g_free(text), gtk_dialog_response(GTK_DIALOG(open), GTK_RESPONSE_OK);
    });
    Form1Access::Click(c.form, 14);
    EXPECT_EQ(about, "TORVEN: Copyright (C) 2026 The TORVEN developers\nTORVEN Ver" TORVEN_VERSION);
    for (const int response : {GTK_RESPONSE_OK, GTK_RESPONSE_CANCEL}) {
        WhenOpened([response](GtkWidget* open) {
            const GdkRGBA orange{1, 128 / 255.0, 0, 1};
            gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(open), &orange);
            gtk_dialog_response(GTK_DIALOG(open), response);
        });
        EXPECT_EQ(c.ShowColor(),
                  response == GTK_RESPONSE_OK ? std::optional<Color>(0x0080FF) : std::nullopt);
    }
}

// A plain window: the pointer's events in twips with the codes of the buttons and keys, but a
// left press, which hands the move to the compositor; the place it is given is only kept, and
// is never reported as the window's.
TEST(GtkEvents, APlainWindowLeavesItsMovesToTheCompositor) {
    GtkHost host;
    RecordingEvents events;
    host.Attach(events), host.Show();
    ASSERT_FALSE(host.Layered());
    for (GdkEvent* event :
         {Pointer(GDK_BUTTON_PRESS, host.Window(), 20, 30, 3, GDK_SHIFT_MASK),
          Pointer(GDK_2BUTTON_PRESS, host.Window(), 20, 30, 3, GDK_SHIFT_MASK),
          Pointer(GDK_MOTION_NOTIFY, host.Window(), -4, 31, 0,
                  GDK_BUTTON3_MASK | GDK_BUTTON2_MASK | GDK_CONTROL_MASK),
          Pointer(GDK_BUTTON_RELEASE, host.Window(), 22, 32, 3, GDK_BUTTON3_MASK | GDK_MOD1_MASK),
          Pointer(GDK_BUTTON_PRESS, host.Window(), 1, 2, 2, 0),
          Pointer(GDK_BUTTON_PRESS, host.Window(), 5, 5, 1, 0),
          Pointer(GDK_BUTTON_PRESS, host.Window(), 1, 2, 8, 0)})
        gtk_widget_event(host.Window(), event), gdk_event_free(event);
    using M = RecordingEvents::Mouse;
    EXPECT_EQ(events.mouse, (std::vector<M>{{'D', 2, 1, 300, 450},
                                            {'M', 6, 2, -60, 465},
                                            {'U', 2, 4, 330, 480},
                                            {'D', 4, 0, 15, 30}}));
    host.SetLeft(1800), host.SetTop(1350);
    EXPECT_EQ(std::tuple(host.Left(), host.Top(), events.moves.size()), std::tuple(1800, 1350, 0u));
    // The readout's font fits the widest time into the room the labels have (41 pixels).
    events.rt = &host, events.Resize();
    events.labels[1] = {0, 300, 1500, 195, "00:00:00", 0, true};
    events.Show(&events.labels[1]);
    const Shot shot = host.Take();
    int left = shot.width, right = 0;
    for (int i = 0; i < shot.width * shot.height; ++i)
        if (shot.pixels[i] == 0) left = std::min(left, i % shot.width), right = i % shot.width;
    EXPECT_TRUE(right - left >= 30 && right - left < 41) << left << " to " << right;
    // The window takes a smaller size too; the monitor is Xvfb's screen.
    host.SetWidth(600), host.SetHeight(450);
    Until([&] { return gtk_widget_get_allocated_width(host.Window()) == 40; });
    EXPECT_EQ(std::tuple(gtk_widget_get_allocated_width(host.Window()),
                         gtk_widget_get_allocated_height(host.Window()), host.Monitors().size(),
                         host.Monitors()[0].right, host.Monitors()[0].bottom),
              std::tuple(40, 30, 1u, 1280 * 15.0f, 1024 * 15.0f));
}

// A layer surface's place: the output that holds it, else the first, and its margins there;
// while a button is held the pointer is reported from the surface's place at the press.
TEST(GtkLayer, MarginsOnTheOutputThatHoldsThePlaceAndADragThatFollowsThePointer) {
    const GdkRectangle outputs[] = {{0, 0, 640, 480}, {640, -100, 800, 600}};
    for (const auto& [x, y, place] : {std::tuple(200, 150, gtk::LayerPlace{0, 200, 150}),
                                      {639, 479, {0, 639, 479}},
                                      {640, 0, {1, 0, 100}},
                                      {700, -100, {1, 60, 0}},
                                      {-50, 490, {0, -50, 490}}})
        EXPECT_EQ(gtk::PlaceOnOutputs(x, y, outputs), place) << x << "," << y;
    // Pressed 50 pixels into a surface at 200, which the drag has since moved to 240: the
    // pointer, reported at 90 from 200, is 50 from 240, where the form adds it.
    EXPECT_EQ(gtk::FromCurrentPlace(90, 200, 240), 50);
}

// At a scale of 2 (GDK_SCALE=2: ctest runs this test alone so) the form is told of twice the
// pixels, its image is shown as it is, not scaled up, and the cap counts device pixels.
TEST(GtkScale, AtScaleTwoTheImageShowsAsItIs) {
    GtkHost host;
    RecordingEvents events;
    events.rt = &host;
    events.onResize = [&] {
        events.image.Line({150, 300}, {1750, 300}, 0x0000FF, 1), events.Show();
    };
    host.Attach(events), host.SetWidth(1800), host.SetHeight(600), host.Show();
    if (gtk_widget_get_scale_factor(host.Window()) != 2) GTEST_SKIP() << "GDK_SCALE is not 2";
    const Shot shot = host.Take();
    int unlike = 0;
    for (int i = 0; i < shot.width * shot.height; ++i)
        unlike += shot.pixels[i] != At(events.image, i % shot.width, i / shot.width);
    EXPECT_EQ(
        std::tuple(host.ClientArea(), shot.width, unlike, shot.Count(0x0000FF, 0, 40, 240, 41)),
        std::tuple(DeviceArea{240, 80, 192}, 240, 0, 213));  // 20 to 233.3
    host.SetWidth(80000);
    EXPECT_EQ(host.Width(), kMaxSidePixels / 2 * 15.0f);
}

}  // namespace

std::unique_ptr<Host> MakeHost() {
    return std::make_unique<GtkHost>();
}

}  // namespace torven::testing

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) return std::fputs("no X display\n", stderr), 1;
    return RUN_ALL_TESTS();
}
