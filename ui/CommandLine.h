// The program's command line, read before Qt starts, so that --help and --version work without
// a display. Qt's own options (-platform, -display, -style, ...) pass through to Qt.
#pragma once

#include <string>

namespace quorvex {

struct CommandLine {
    enum class Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = Action::Run;
    std::string error;           // UsageError: what was wrong
    bool platformGiven = false;  // -platform on the command line
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The texts of --help and --version.
std::string HelpText();
std::string VersionText();

}  // namespace quorvex
