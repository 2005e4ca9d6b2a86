#include "desktop/idle_inhibitor.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <string>

#include "base/messages.h"
#include "desktop/session_bus.h"

namespace {
constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";
// A desktop that takes longer than this to answer is treated as having no
// service: the frames cannot wait for it.
constexpr std::uint64_t kAnswerMicroseconds = 500'000;

std::string reason(const sd_bus_error& error, int code) {
    if (error.message != nullptr) return error.message;
    return std::strerror(-code);
}
}  // namespace

IdleInhibitor::~IdleInhibitor() {
    release();
    if (bus != nullptr) sd_bus_flush_close_unref(bus);
}

void IdleInhibitor::hold(bool wanted) {
    if (wanted && !held) inhibit();
    if (!wanted && held) release();
}

bool IdleInhibitor::connect() {
    if (bus != nullptr) return true;
    bus = openSessionBus();
    if (bus == nullptr) return false;
    sd_bus_set_method_call_timeout(bus, kAnswerMicroseconds);
    return true;
}

void IdleInhibitor::inhibit() {
    if (unavailable) return;
    if (!connect()) {
        unavailable = true;
        return;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* answer = nullptr;
    int code = sd_bus_call_method(bus, kService, kPath, kService, "Inhibit", &error, &answer, "ss", "viz",
                                  "Showing music in fullscreen");
    if (code >= 0) code = sd_bus_message_read(answer, "u", &cookie);
    if (code >= 0) {
        held = true;
    } else {
        diagnose("the desktop keeps no screen awake (" + reason(error, code) +
                 "): the screen saver may start during the show");
        unavailable = true;
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(answer);
}

void IdleInhibitor::release() {
    if (!held) return;
    held = false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    // The service also lets go when the connection closes; a failed call
    // leaves nothing held for long.
    sd_bus_call_method(bus, kService, kPath, kService, "UnInhibit", &error, nullptr, "u", cookie);
    sd_bus_error_free(&error);
}
