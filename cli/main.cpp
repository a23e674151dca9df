// vellumtone-cli: plays the engine's signals from a terminal, or renders them to a file.
#include <cstdio>
#include <exception>

#include "arguments.h"
#include "play.h"
#include "render.h"

int main(int argc, char** argv) {
    try {
        const ParseResult parsed = parseArguments(argc, argv);
        if (!parsed.arguments) {
            std::fputs(parsed.text.c_str(), parsed.textIsError ? stderr : stdout);
            return parsed.exitCode;
        }
        return parsed.arguments->command == Command::Play ? runPlay(*parsed.arguments)
                                                          : runRender(*parsed.arguments);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vellumtone-cli: %s\n", error.what());
        return 1;
    }
}
