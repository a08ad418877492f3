// A Wayland program that takes the clipboard through data control and serves it badly, for
// tests and benchmarks.
//
// Usage: bad_wayland_source MODE TEXT
//   secret  offers TEXT with the password-manager hint "secret" and answers both
//   stuck   offers TEXT and never sends a byte of it (nor closes the pipe)
//
// Prints "owner" once the compositor has taken the offer and "request FORMAT" for each
// request, and ends when another program takes the clipboard.
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {

std::string mode;
std::string text;
zwlr_data_control_manager_v1* manager = nullptr;
wl_seat* seat = nullptr;
bool cancelled = false;
std::vector<int> heldOpen;

void global(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr) {
        seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwlr_data_control_manager_v1_interface.name) == 0) {
        manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1));
    }
}
void globalRemove(void*, wl_registry*, uint32_t) {}

void send(void*, zwlr_data_control_source_v1*, const char* mimeType, int32_t fd) {
    std::printf("request %s\n", mimeType);
    std::fflush(stdout);
    if (mode == "stuck") {
        heldOpen.push_back(fd);  // never written, never closed
        return;
    }
    const std::string value =
        std::strcmp(mimeType, "x-kde-passwordManagerHint") == 0 ? std::string("secret") : text;
    [[maybe_unused]] const ssize_t written = write(fd, value.data(), value.size());
    close(fd);
}
void sourceCancelled(void*, zwlr_data_control_source_v1*) {
    cancelled = true;
}

// The device's events are needed only to take the offers it hands out.
void dataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
void selection(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    if (offer != nullptr) {
        zwlr_data_control_offer_v1_destroy(offer);
    }
}
void finished(void*, zwlr_data_control_device_v1*) {
    cancelled = true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "secret") != 0 && std::strcmp(argv[1], "stuck") != 0)) {
        std::fprintf(stderr, "usage: %s secret|stuck TEXT\n", argv[0]);
        return 2;
    }
    mode = argv[1];
    text = argv[2];
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "no Wayland display\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    static const wl_registry_listener registryListener = {global, globalRemove};
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (manager == nullptr || seat == nullptr) {
        std::fprintf(stderr, "no data control\n");
        return 1;
    }
    zwlr_data_control_device_v1* device =
        zwlr_data_control_manager_v1_get_data_device(manager, seat);
    static const zwlr_data_control_device_v1_listener deviceListener = {dataOffer, selection,
                                                                        finished, selection};
    zwlr_data_control_device_v1_add_listener(device, &deviceListener, nullptr);
    zwlr_data_control_source_v1* source = zwlr_data_control_manager_v1_create_data_source(manager);
    static const zwlr_data_control_source_v1_listener sourceListener = {send, sourceCancelled};
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, nullptr);
    zwlr_data_control_source_v1_offer(source, "text/plain;charset=utf-8");
    zwlr_data_control_source_v1_offer(source, "UTF8_STRING");
    if (mode == "secret") {
        zwlr_data_control_source_v1_offer(source, "x-kde-passwordManagerHint");
    }
    zwlr_data_control_device_v1_set_selection(device, source);
    wl_display_roundtrip(display);
    std::printf("owner\n");
    std::fflush(stdout);
    while (!cancelled && wl_display_dispatch(display) >= 0) {
    }
    for (int fd : heldOpen) {
        close(fd);
    }
    wl_display_disconnect(display);
    return 0;
}
