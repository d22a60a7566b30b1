// A pointer and a keyboard for a headless wlroots compositor (sway), which has neither: it
// stays connected, so clients take its keymap, and reads commands, one a line, from stdin:
//   move X Y       the pointer to X, Y of the layout W x H given as arguments
//   press B        button B down (272 left, 273 right), then "release B"
//   key K          key K (evdev code) pressed and released
// The protocols' two interfaces are written out here: Debian 12 packages no header for them.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

const wl_interface* kNone[8] = {};
extern const wl_interface kPointer, kKeyboard;
const wl_interface* kPointerArgs[] = {&wl_seat_interface, &kPointer};
const wl_interface* kKeyboardArgs[] = {&wl_seat_interface, &kKeyboard};
const wl_message kPointerManagerRequests[] = {{"create_virtual_pointer", "?on", kPointerArgs}};
const wl_message kPointerRequests[] = {{"motion", "uff", kNone},
                                       {"motion_absolute", "uuuuu", kNone},
                                       {"button", "uuu", kNone},
                                       {"axis", "uuf", kNone},
                                       {"frame", "", kNone}};
const wl_message kKeyboardManagerRequests[] = {{"create_virtual_keyboard", "on", kKeyboardArgs}};
const wl_message kKeyboardRequests[] = {{"keymap", "uhu", kNone}, {"key", "uuu", kNone}};
const wl_interface kPointerManager{"zwlr_virtual_pointer_manager_v1", 1, 1,
                                   kPointerManagerRequests,           0, nullptr};
const wl_interface kPointer{"zwlr_virtual_pointer_v1", 1, 5, kPointerRequests, 0, nullptr};
const wl_interface kKeyboardManager{"zwp_virtual_keyboard_manager_v1", 1, 1,
                                    kKeyboardManagerRequests,          0, nullptr};
const wl_interface kKeyboard{"zwp_virtual_keyboard_v1", 1, 2, kKeyboardRequests, 0, nullptr};

struct Globals {
    wl_seat* seat = nullptr;
    wl_proxy* pointers = nullptr;
    wl_proxy* keyboards = nullptr;
};

const char kKeymap[] =
    "xkb_keymap { xkb_keycodes { include \"evdev+aliases(qwerty)\" };"
    " xkb_types { include \"complete\" }; xkb_compat { include \"complete\" };"
    " xkb_symbols { include \"pc+us+inet(evdev)\" }; };";

}  // namespace

int main(int argc, char* argv[]) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display || argc != 3)
        return std::fputs("usage: virtual_input W H (on Wayland)\n", stderr), 2;
    const std::uint32_t width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    Globals g;
    static constexpr wl_registry_listener kListener{
        [](void* data, wl_registry* registry, std::uint32_t name, const char* interface,
           std::uint32_t) {
            auto& g = *static_cast<Globals*>(data);
            const std::string_view is(interface);
            const auto bind = [&](const wl_interface* i) {
                return static_cast<wl_proxy*>(wl_registry_bind(registry, name, i, 1));
            };
            if (is == "wl_seat" && !g.seat)
                g.seat =
                    static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            if (is == kPointerManager.name) g.pointers = bind(&kPointerManager);
            if (is == kKeyboardManager.name) g.keyboards = bind(&kKeyboardManager);
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(wl_display_get_registry(display), &kListener, &g);
    wl_display_roundtrip(display);
    if (!g.seat || !g.pointers || !g.keyboards) return std::fputs("no virtual input\n", stderr), 1;
    wl_proxy* pointer = wl_proxy_marshal_constructor(g.pointers, 0, &kPointer, g.seat, nullptr);
    wl_proxy* keyboard = wl_proxy_marshal_constructor(g.keyboards, 0, &kKeyboard, g.seat, nullptr);
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, kKeymap, sizeof kKeymap) != sizeof kKeymap) return 1;
    wl_proxy_marshal(keyboard, 0, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                     std::uint32_t(sizeof kKeymap));
    wl_display_roundtrip(display);
    std::uint32_t time = 0;
    for (std::string command; std::cin >> command;) {
        std::uint32_t a = 0, b = 0;
        time += 10;
        if (command == "move" && std::cin >> a >> b) {
            wl_proxy_marshal(pointer, 1, time, a, b, width, height);
            wl_proxy_marshal(pointer, 4);
        } else if ((command == "press" || command == "release") && std::cin >> a) {
            wl_proxy_marshal(pointer, 2, time, a, std::uint32_t(command == "press"));
            wl_proxy_marshal(pointer, 4);
        } else if (command == "key" && std::cin >> a) {
            wl_proxy_marshal(keyboard, 1, time, a, 1u);
            wl_proxy_marshal(keyboard, 1, time + 5, a, 0u);
        }
        wl_display_roundtrip(display);
    }
    wl_display_disconnect(display);
    return 0;
}
