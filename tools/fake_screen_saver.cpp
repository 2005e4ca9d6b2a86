// A stand-in for the desktop's screen saver on a private session bus: owns
// org.freedesktop.ScreenSaver, hands out cookies from 1 for Inhibit, and
// prints each call as a line ("Inhibit viz 1", "UnInhibit 1") for a test to
// count. Runs until killed.
// Usage: viz_fake_screen_saver   (on $DBUS_SESSION_BUS_ADDRESS)
#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
std::uint32_t nextCookie = 1;

int onInhibit(sd_bus_message* call, void*, sd_bus_error*) {
    const char* application = nullptr;
    const char* reason = nullptr;
    if (const int code = sd_bus_message_read(call, "ss", &application, &reason); code < 0) return code;
    std::printf("Inhibit %s %u\n", application, nextCookie);
    std::fflush(stdout);
    return sd_bus_reply_method_return(call, "u", nextCookie++);
}

int onUnInhibit(sd_bus_message* call, void*, sd_bus_error*) {
    std::uint32_t cookie = 0;
    if (const int code = sd_bus_message_read(call, "u", &cookie); code < 0) return code;
    std::printf("UnInhibit %u\n", cookie);
    std::fflush(stdout);
    return sd_bus_reply_method_return(call, "");
}

const sd_bus_vtable kScreenSaver[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Inhibit", "ss", "u", onInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("UnInhibit", "u", "", onUnInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

int fail(const char* what, int code) {
    std::fprintf(stderr, "viz_fake_screen_saver: %s: %s\n", what, std::strerror(-code));
    return 1;
}
}  // namespace

int main() {
    sd_bus* bus = nullptr;
    if (const int code = sd_bus_open_user(&bus); code < 0) return fail("no session bus", code);
    sd_bus_slot* slot = nullptr;
    const char* name = "org.freedesktop.ScreenSaver";
    if (const int code = sd_bus_add_object_vtable(bus, &slot, "/org/freedesktop/ScreenSaver", name, kScreenSaver, nullptr);
        code < 0) {
        return fail("cannot serve the object", code);
    }
    if (const int code = sd_bus_request_name(bus, name, 0); code < 0) return fail("cannot own the name", code);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        const int code = sd_bus_process(bus, nullptr);
        if (code < 0) return fail("lost the bus", code);
        if (code == 0) sd_bus_wait(bus, UINT64_MAX);
    }
}
