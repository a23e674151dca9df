#include "engine/linux/pulse_sink_list.h"

#include <pulse/pulseaudio.h>

#include <memory>

namespace {

// What the callbacks fill in, on the calling thread: the list is asked once, so a plain main
// loop run until both answers have come is enough.
struct Answers {
    std::vector<OutputSink> sinks;
    std::string defaultSink;
    int pending = 2;
};

}  // namespace

std::optional<std::vector<OutputSink>> listOutputSinks() {
    const std::unique_ptr<pa_mainloop, void (*)(pa_mainloop*)> loop(pa_mainloop_new(),
                                                                    &pa_mainloop_free);
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop.get()), "Vellumtone");
    if (context == nullptr) {
        return std::nullopt;
    }
    Answers answers;
    bool asked = false;
    // A listing never starts a server.
    pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    while (answers.pending > 0) {
        const pa_context_state_t state = pa_context_get_state(context);
        if (!PA_CONTEXT_IS_GOOD(state)) {
            break;
        }
        if (state == PA_CONTEXT_READY && !asked) {
            asked = true;
            pa_operation_unref(pa_context_get_server_info(
                context,
                [](pa_context*, const pa_server_info* info, void* user) {
                    auto& a = *static_cast<Answers*>(user);
                    if (info != nullptr && info->default_sink_name != nullptr) {
                        a.defaultSink = info->default_sink_name;
                    }
                    --a.pending;
                },
                &answers));
            pa_operation_unref(pa_context_get_sink_info_list(
                context,
                [](pa_context*, const pa_sink_info* info, int last, void* user) {
                    auto& a = *static_cast<Answers*>(user);
                    if (last != 0) {
                        --a.pending;
                    } else if (info != nullptr) {
                        a.sinks.push_back({info->name, info->description, false});
                    }
                },
                &answers));
        }
        pa_mainloop_iterate(loop.get(), 1, nullptr);
    }
    const bool answered = answers.pending == 0;
    pa_context_disconnect(context);
    pa_context_unref(context);
    if (!answered) {
        return std::nullopt;
    }
    for (OutputSink& sink : answers.sinks) {
        sink.isDefault = sink.name == answers.defaultSink;
    }
    return answers.sinks;
}
