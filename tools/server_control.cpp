#include "tools/server_control.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

std::string commandOutput(const std::string& command) {
    std::string output;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        pclose(pipe);
    }
    return output;
}

std::unique_ptr<PipeSpeaker> pipeSinkWithSpeaker(const std::string& name, int pipeBytes) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string fifo = std::string(runtime != nullptr ? runtime : "/tmp") + "/" + name;
    if (mkfifo(fifo.c_str(), 0600) != 0) return nullptr;
    auto speaker = std::make_unique<PipeSpeaker>(fifo, pipeBytes);
    commandOutput("pactl load-module module-pipe-sink sink_name=" + name + " file=" + fifo +
                  " format=s16le rate=44100 channels=2");
    return speaker;
}

void moveOurStreamTo(const std::string& name) {
    const std::string listing = commandOutput("pactl list sink-inputs");
    const std::size_t mine = listing.find("application.process.id = \"" + std::to_string(getpid()) + "\"");
    const std::size_t header = listing.rfind("Sink Input #", mine);
    if (mine == std::string::npos || header == std::string::npos) return;
    const std::string index = std::to_string(std::atoi(listing.c_str() + header + 12));
    commandOutput("pactl move-sink-input " + index + " " + name);
}
