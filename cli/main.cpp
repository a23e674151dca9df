// vellumtone-cli: plays the engine's signals from a terminal, or renders them to a file.
#include <cstdio>
#include <exception>

#include "arguments.h"
#include "journal.h"
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
        const Command command = arguments->command;
        return command == Command::Play       ? runPlay(*arguments)
               : command == Command::Render   ? runRender(*arguments)
               : command == Command::Journals ? Journal::list()
                                              : listDevices();
    } catch (const std::exception& error) {
        // One line of sensible length, whatever value the message repeats.
        std::fprintf(stderr, "vellumtone-cli: %s\n", printable(error.what(), 300).c_str());
        return dynamic_cast<const UsageError*>(&error) != nullptr ? 2 : 1;  // usage : runtime
    }
}
