#include <wayland-client.h>

#include <cstdint>
#include <string_view>

#include "linux_host.h"

namespace torven {

bool OffersLayerShell(wl_display* display) {
    static constexpr wl_registry_listener kListener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::string_view(interface) == "zwlr_layer_shell_v1")
                *static_cast<bool*>(data) = true;
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    // On a queue of its own, so that a toolkit's connection loses none of its events.
    wl_event_queue* queue = wl_display_create_queue(display);
    auto* own = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(own), queue);
    wl_registry* registry = wl_display_get_registry(own);
    bool offered = false;
    wl_registry_add_listener(registry, &kListener, &offered);
    wl_display_roundtrip_queue(display, queue);
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(own);
    wl_event_queue_destroy(queue);
    return offered;
}

}  // namespace torven
