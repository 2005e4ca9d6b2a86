#pragma once
// The frames of what the desktop plays, listened to on the sound server:
// no song plays, and the selection screen's arrows step through what can
// be listened to.
#include <memory>
#include <string>

#include "app/frame_source.h"
#include "app/live_clock.h"
#include "capture/listener.h"

class ListeningSource : public FrameSource {
public:
    // Starts listening to `source` ("" for the default output's monitor).
    void listen(const std::string& source) { listener = Listener::open(source); }

    Frame nextFrame(bool menuShown) override;
    void keepGoing(bool menuShown) override;
    void step(int direction) override;
    std::string selectionName() const override;
    bool takeAdvance(std::string&) override { return false; }
    bool soundGoing() const override { return listener != nullptr; }

    std::unique_ptr<Listener> listener;  // nullptr: no mainloop could start, silence
    LiveClock clock;
};
