#pragma once

// The arrow keys as the selection screen sees them: each flips at every
// release of its key, and the screen steps on a change of value.
struct ArrowToggles {
    bool left = false;
    bool right = false;
};
