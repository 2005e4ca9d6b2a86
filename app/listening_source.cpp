#include "app/listening_source.h"

#include "analysis/output_clock.h"

Frame ListeningSource::nextFrame(bool) {
    Frame frame;
    if (listener) {
        frame.heard = listener->heard(monotonicNanoseconds());
        frame.level = frame.heard.level;
    }
    clock.read();
    frame.frameTime = clock.frameTime;
    frame.frameDelta = clock.frameDelta;
    return frame;
}

void ListeningSource::keepGoing(bool) { clock.pause(); }

void ListeningSource::step(int direction) {
    if (listener) listener->step(direction);
}

std::string ListeningSource::selectionName() const { return listener ? listener->description() : ""; }
