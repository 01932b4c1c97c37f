#pragma once

#include <string>
#include <vector>

// Reads the virtual mouse's trace ("<ms> <operation> <path> <bytes>[ # note]" a line) for the
// commands of one change: every feature report starts a command, the output reports after it
// are its data. Event-interface polling (open, close, event) is not command traffic.
class TraceAnalysis
{
public:
    struct Command
    {
        double featureMs = 0;    // when the command report went out
        double lastMs = 0;       // when its last report (command or data) went out
        int dataReports = 0;
        std::string bytes;       // the command report, as traced
    };

    // Commands whose feature report lies at or after fromMs; a data report before any
    // command in range belongs to an earlier change and is skipped.
    static std::vector<Command> commands(const std::string &trace, double fromMs);
    // Lines of the trace at or after fromMs that report an error.
    static int errors(const std::string &trace, double fromMs);

    // The protocol's mandatory waits for these commands: 32 ms after each command report,
    // and 32 ms more after the data of a command that has data.
    static double pacingFloorMs(const std::vector<Command> &commands);
    // Time from `actionMs` to the last report of the last command; -1 when there is none.
    static double latencyMs(const std::vector<Command> &commands, double actionMs);
    // Time stamp of the last command-traffic line (feature, output, get-feature), or -1.
    static double lastTrafficMs(const std::string &trace);

    static constexpr double CommandWaitMs = 32;
    static constexpr double DataWaitMs = 32;
};
