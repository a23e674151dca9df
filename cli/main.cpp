// vellumtone-cli: plays the engine's signals from a terminal, or renders them to a file.
#include <cstdio>
#include <exception>
#include <string>

#include "arguments.h"
#include "play.h"
#include "render.h"
#include "stop_signals.h"

int main(int argc, char** argv) {
    std::string message;
    int code = kRuntimeError;
    try {
        watchStopSignals();
        const auto arguments = parseArguments(argc, argv);
        if (!arguments) {
            return 0;  // help or version
        }
        return arguments->command == Command::Play ? runPlay(*arguments) : runRender(*arguments);
    } catch (const UsageError& error) {
        message = error.what();
        code = kUsageError;
    } catch (const std::exception& error) {
        message = error.what();
    }
    std::fprintf(stderr, "vellumtone-cli: %s\n", message.c_str());
    return code;
}
