#pragma once
// Where the frames come from: songs playing, the desktop listened to, or a
// song rendered to video. Each gives the frame's moment and loudness, and
// answers the selection screen; one drawer draws whatever it gives.
#include <string>

#include "app/frame.h"

class FrameSource {
public:
    virtual ~FrameSource() = default;

    // Before each frame: settles what plays, and gives the frame's time,
    // step and loudness. While a menu scene shows, songs neither end nor
    // advance.
    virtual Frame nextFrame(bool menuShown) = 0;
    // A frame nobody sees: what plays goes on, the pictures wait.
    virtual void keepGoing(bool menuShown) = 0;

    // The selection screen is shown for the first time.
    virtual void beginSelection() {}
    // The selection screen's arrows: +1 the next thing, -1 the one before.
    virtual void step(int direction) = 0;
    // What the selection screen names.
    virtual std::string selectionName() const = 0;

    // Whether music plays, or the desktop is listened to: someone is
    // watching, and the screen should stay awake for them.
    virtual bool soundGoing() const = 0;
    // Space: pause what plays, or play on; listening has nothing to pause.
    virtual void togglePause() {}

    // The song an automatic advance has just started, told once, for its
    // caption; false when there was none since the last call.
    virtual bool takeAdvance(std::string& songName) = 0;
};
