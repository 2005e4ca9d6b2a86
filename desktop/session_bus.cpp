#include "desktop/session_bus.h"

#include <systemd/sd-bus.h>

#include <cstring>
#include <utility>

#include "base/messages.h"

sd_bus* openSessionBus() {
    sd_bus* bus = nullptr;
    if (const int code = sd_bus_open_user(&bus); code < 0) {
        sayNoSessionBus(std::strerror(-code));
        return nullptr;
    }
    return bus;
}

void sayNoSessionBus(const std::string& why) {
    static bool said = false;
    if (std::exchange(said, true)) return;
    diagnose("no session bus (" + why +
             "): the desktop's media controls cannot see viz, and the screen saver may start during the show");
}
