#pragma once
// The session bus, shared in what it says when there is none: the media
// controls and the screen's inhibition both need it, and a user without one
// is told once, not once by each.
#include <string>

struct sd_bus;

// A new connection to the session bus, or nullptr after saying why.
sd_bus* openSessionBus();

// Says, the first time only, that there is no session bus and what the
// desktop cannot do for viz without one.
void sayNoSessionBus(const std::string& why);
