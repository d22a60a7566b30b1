// TORVEN on a Wayland desktop: torven hands a Wayland session to this program.
#include <glib-unix.h>

#include <csignal>
#include <cstdio>

#include "clock_surface.h"
#include "form1.h"

int main(int argc, char* argv[]) {
    if (argc > 1) {  // torven has read the command line
        std::fputs("TORVEN: torven-wayland takes no arguments (see torven --help)\n", stderr);
        return 2;
    }
    // The compositor knows the clock as torven, as the desktop entry names it.
    g_set_prgname("torven");
    gdk_set_allowed_backends("wayland");
    if (!gtk_init_check(&argc, &argv)) {
        const char* display = g_getenv("WAYLAND_DISPLAY");
        if (display && *display)
            std::fprintf(stderr, "TORVEN: cannot connect to the Wayland display \"%s\"\n", display);
        else
            std::fputs("TORVEN: cannot connect to Wayland: WAYLAND_DISPLAY is not set\n", stderr);
        return 1;
    }
    torven::gtk::ClockSurface surface;
    torven::Form1 form(surface);
    surface.Attach(form);
    // Each ending signal saves the settings as Exit does.
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        g_unix_signal_add(
            number,
            [](gpointer form) -> gboolean {
                static_cast<torven::Form1*>(form)->Unload();
                return G_SOURCE_CONTINUE;
            },
            &form);
    surface.Start();
    gtk_main();
    return surface.ExitStatus();
}
