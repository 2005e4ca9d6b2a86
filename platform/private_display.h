#pragma once
// A virtual X server of the program's own (Xvfb), for drawing where no one
// sees it: on a desktop no window appears, and a machine with no X server
// at all can render too. It goes with the object, and with the process.
#include <string>
#include <sys/types.h>

#include "base/problem.h"

class PrivateDisplay {
public:
    PrivateDisplay() = default;
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Starts the server with a screen of at least width x height; "" once it
    // takes clients, else a one-line reason.
    Problem start(int width, int height);
    // Its name for -display, such as ":7".
    const std::string& name() const { return displayName; }

private:
    Problem notStarted();

    pid_t server = -1;
    std::string displayName;
};
