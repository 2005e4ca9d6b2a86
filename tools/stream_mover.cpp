#include "tools/stream_mover.h"

#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {
constexpr int kWaitForServerMs = 2000;

// Moves the stream if it belongs to this process.
struct MoveIfOurs {
    pa_context* context;
    const char* sink;
    std::atomic<int>* moves;
};

void moveIfOurs(pa_context*, const pa_sink_input_info* info, int last, void* request) {
    auto* move = static_cast<MoveIfOurs*>(request);
    if (last != 0 || info == nullptr) {
        if (last != 0) delete move;
        return;
    }
    const char* pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    if (pid == nullptr || std::atoi(pid) != getpid()) return;
    if (pa_operation* moving = pa_context_move_sink_input_by_name(move->context, info->index, move->sink, nullptr, nullptr)) {
        pa_operation_unref(moving);
        ++*move->moves;
    }
}
}  // namespace

StreamMover::StreamMover(std::string first, std::string second) : sinks{std::move(first), std::move(second)} {
    mainloop = pa_threaded_mainloop_new();
    if (mainloop == nullptr || pa_threaded_mainloop_start(mainloop) < 0) return;
    pa_threaded_mainloop_lock(mainloop);
    context = pa_context_new(pa_threaded_mainloop_get_api(mainloop), "viz-stream-mover");
    if (context != nullptr) {
        pa_context_set_state_callback(context, &StreamMover::contextChanged, this);
        pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    }
    pa_threaded_mainloop_unlock(mainloop);
    for (int waited = 0; waited < kWaitForServerMs && !ready; waited += 10) usleep(10'000);
}

StreamMover::~StreamMover() {
    if (mainloop == nullptr) return;
    pa_threaded_mainloop_lock(mainloop);
    if (context != nullptr) {
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_threaded_mainloop_unlock(mainloop);
    pa_threaded_mainloop_stop(mainloop);
    pa_threaded_mainloop_free(mainloop);
}

void StreamMover::contextChanged(pa_context* context, void* self) {
    auto* mover = static_cast<StreamMover*>(self);
    if (pa_context_get_state(context) != PA_CONTEXT_READY) return;
    pa_context_set_subscribe_callback(
        context,
        [](pa_context* c, pa_subscription_event_type_t type, std::uint32_t index, void* user) {
            streamEvent(c, static_cast<int>(type), index, user);
        },
        mover);
    if (pa_operation* subscribing = pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr)) {
        pa_operation_unref(subscribing);
    }
    mover->ready = true;
}

void StreamMover::streamEvent(pa_context* context, int type, unsigned index, void* self) {
    auto* mover = static_cast<StreamMover*>(self);
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_NEW) return;
    auto* move = new MoveIfOurs{context, mover->sinks[mover->moveCount.load() % 2].c_str(), &mover->moveCount};
    if (pa_operation* asking = pa_context_get_sink_input_info(context, index, &moveIfOurs, move)) {
        pa_operation_unref(asking);
    } else {
        delete move;
    }
}
