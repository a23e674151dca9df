#pragma once

// Runs the built vellumtone-cli from sh, as a user would, in a folder of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/testing/child_process.h"

namespace testing_cli {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Ran {
    int code = -1;  // the exit code; 128 + the signal that ended the last command
    std::string out, err;
};

// A fresh folder, removed with everything in it when the test ends.
struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "vellumtone-cli-test.XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path); }
    fs::path operator/(const std::string& name) const { return path / name; }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    // Runs the script with sh in this folder, $cli naming the program; the audio goes
    // through SDL's dummy driver, which keeps real-time pace without a sound server.
    Ran sh(const std::string& script) const {
        std::ofstream(path / ".run") << "cli='" VELLUMTONE_CLI_PATH "'\n"
                                     << "export SDL_AUDIODRIVER=dummy PULSE_SERVER=unix:/none\n"
                                     << script << "\n";
        ChildProcess child({"sh", "-c", "cd \"$0\" && timeout 60 sh .run 2>.err", path});
        Ran ran{child.wait(), child.output(), readFile(path / ".err")};
        fs::remove(path / ".run");
        fs::remove(path / ".err");
        return ran;
    }
};

}  // namespace testing_cli
