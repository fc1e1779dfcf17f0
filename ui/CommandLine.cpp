#include "ui/CommandLine.h"

#include <cstring>
#include <string_view>

#include "ui/Version.h"

namespace quorvex {

namespace {

// Options QGuiApplication and QApplication take themselves; each may also be written with "--".
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"reverse", false},
    {"session", true},         {"style", true},
    {"stylesheet", true},      {"widgetcount", false},
    {"display", true},         {"geometry", true},
    {"title", true},           {"name", true},
    {"visual", true},          {"ncols", true},
    {"cmap", false},           {"im", true},
    {"inputstyle", true},      {"nograb", false},
    {"dograb", false},         {"sync", false},
};

const QtOption* FindQtOption(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') return nullptr;
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    for (const QtOption& option : kQtOptions)
        if (arg == option.name) return &option;
    return nullptr;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            line.action = CommandLine::Action::ShowHelp;
            return line;
        }
        if (arg == "--version") {
            line.action = CommandLine::Action::ShowVersion;
            return line;
        }
        if (const QtOption* option = FindQtOption(arg)) {
            if (std::strcmp(option->name, "platform") == 0) line.platformGiven = true;
            if (option->takesValue && ++i >= argc) {
                line.action = CommandLine::Action::UsageError;
                line.error = "option '" + std::string(arg) + "' needs a value";
                return line;
            }
            continue;
        }
        line.action = CommandLine::Action::UsageError;
        line.error = "unknown argument '" + std::string(arg) + "'";
        return line;
    }
    return line;
}

std::string VersionText() { return std::string("Quorvex ") + kVersion + "\n"; }

std::string HelpText() {
    return "Usage: quorvex [--help] [--version] [Qt options such as -platform NAME]\n"
           "\n"
           "Quorvex watches the round-trip delay and the packet loss to a list of hosts. For\n"
           "every host it keeps one ICMP Echo Request in flight (5 s reply timeout, 500 ms pause\n"
           "after each reply) and shows, once a second, the average, current, largest and\n"
           "smallest delay in milliseconds and the loss rate.\n"
           "\n"
           "The hosts are read from config.ini in the working directory, once, at start:\n"
           "one IPv4 address or host name per line; a line starting with # is a comment; empty\n"
           "lines are ignored; lines are taken exactly as written, up to 1023 bytes. When the\n"
           "file does not exist, a default list is written there first.\n"
           "\n"
           "Raw ICMP sockets need the CAP_NET_RAW capability: run Quorvex as root, or grant it\n"
           "once with   sudo setcap cap_net_raw=ep \"$(command -v quorvex)\"\n"
           "\n"
           "Only one Quorvex runs per user; starting it again brings its window to the front.\n"
           "\n"
           "  --help      show this text and exit\n"
           "  --version   show the version and exit\n";
}

}  // namespace quorvex
