#pragma once
// Keeps the screen awake through the desktop's own idle inhibition,
// org.freedesktop.ScreenSaver on the session bus: the screen saver and the
// screen's power saving wait while it holds. Without a bus or the service,
// one line on standard error says so and the show goes on.
#include <cstdint>

struct sd_bus;

class IdleInhibitor {
public:
    IdleInhibitor() = default;
    // Lets go of what it holds.
    ~IdleInhibitor();
    IdleInhibitor(const IdleInhibitor&) = delete;
    IdleInhibitor& operator=(const IdleInhibitor&) = delete;

    // Holds the screen awake while `wanted`; only a change calls the desktop.
    void hold(bool wanted);

private:
    bool connect();
    void inhibit();
    void release();

    sd_bus* bus = nullptr;
    std::uint32_t cookie = 0;
    bool held = false;
    bool unavailable = false;  // said once; not asked again
};
