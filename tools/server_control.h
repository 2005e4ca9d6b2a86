#pragma once
// Driving the test's sound server from a test or benchmark, through pactl
// and scripts/sound-server: new null and pipe sinks with a speaker on them, moving
// this process's stream between sinks, stopping and starting the server.
#include <memory>
#include <string>

#include "tools/pipe_speaker.h"

// What a shell command printed.
std::string commandOutput(const std::string& command);

// Loads a pipe sink named `name` whose FIFO a real-time speaker drains, the
// pipe given `pipeBytes` of room first (the sink sizes its writes by it).
// nullptr when the FIFO could not be made.
std::unique_ptr<PipeSpeaker> pipeSinkWithSpeaker(const std::string& name, int pipeBytes);

// Loads a null sink, or with `input` a silent input, named and described
// as `name`; returns the module's index for unloadModule, -1 on failure.
int loadNullDevice(const std::string& name, bool input);
void unloadModule(int module);
// Unloads the module that made the sink `name`.
void unloadSink(const std::string& name);

// A silent stream on the sink `name` while it lives, as a desktop's other
// programs keep a sink running.
class SinkKeeper {
public:
    explicit SinkKeeper(const std::string& name);
    ~SinkKeeper();
    SinkKeeper(const SinkKeeper&) = delete;
    SinkKeeper& operator=(const SinkKeeper&) = delete;

private:
    int pid = -1;
};

// Moves this process's playback stream to the sink `name`.
void moveOurStreamTo(const std::string& name);

// The sink this process's playback stream plays on, "" when it has none.
std::string sinkOfOurStream();

// Stops the private sound server that scripts/with-sound-server started, or
// starts it again (the same kind, the same socket); false when it can't.
bool stopSoundServer();
bool startSoundServer();
