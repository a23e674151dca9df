// vellumtone-cli: plays the engine's signals from a terminal, or renders them to a file.
#include <cstdio>
#include <exception>

#include "arguments.h"
#include "play.h"
#include "render.h"
#include "stop_signals.h"

int main(int argc, char** argv) {
    try {
        watchStopSignals();
        const auto arguments = parseArguments(argc, argv);
        if (!arguments) {
            return 0;  // help or version
        }
        return arguments->command == Command::Play ? runPlay(*arguments) : runRender(*arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vellumtone-cli: %s\n", error.what());
        return dynamic_cast<const UsageError*>(&error) != nullptr ? 2 : 1;  // usage : runtime
    }
}
