#include "bench/traceanalysis.h"

#include <cstdlib>
#include <sstream>

namespace {

struct Line
{
    double ms = -1;
    std::string operation;
    std::string rest;
};

bool parse(const std::string &text, Line &line)
{
    char *end = nullptr;
    line.ms = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != ' ')
        return false;
    std::istringstream in(end + 1);
    std::string path;
    if (!(in >> line.operation >> path))
        return false;
    std::getline(in, line.rest);
    const size_t note = line.rest.find(" # ");
    if (note != std::string::npos)
        line.rest.erase(note);
    if (!line.rest.empty() && line.rest[0] == ' ')
        line.rest.erase(0, 1);
    return true;
}

template <typename F>
void forEachLine(const std::string &trace, F &&f)
{
    std::istringstream in(trace);
    std::string text;
    Line line;
    while (std::getline(in, text)) {
        if (parse(text, line))
            f(line);
    }
}

} // namespace

std::vector<TraceAnalysis::Command> TraceAnalysis::commands(const std::string &trace, double fromMs)
{
    std::vector<Command> out;
    forEachLine(trace, [&](const Line &l) {
        if (l.ms < fromMs)
            return;
        if (l.operation == "feature") {
            Command c;
            c.featureMs = c.lastMs = l.ms;
            c.bytes = l.rest;
            out.push_back(c);
        } else if (l.operation == "output" && !out.empty()) {
            out.back().lastMs = l.ms;
            ++out.back().dataReports;
        }
    });
    return out;
}

int TraceAnalysis::errors(const std::string &trace, double fromMs)
{
    int n = 0;
    forEachLine(trace, [&](const Line &l) { n += l.ms >= fromMs && l.operation == "error"; });
    return n;
}

double TraceAnalysis::pacingFloorMs(const std::vector<Command> &commands)
{
    double floor = 0;
    for (const Command &c : commands)
        floor += CommandWaitMs + (c.dataReports > 0 ? DataWaitMs : 0);
    return floor;
}

double TraceAnalysis::latencyMs(const std::vector<Command> &commands, double actionMs)
{
    if (commands.empty())
        return -1;
    return commands.back().lastMs - actionMs;
}

double TraceAnalysis::lastTrafficMs(const std::string &trace)
{
    double last = -1;
    forEachLine(trace, [&](const Line &l) {
        if (l.operation == "feature" || l.operation == "output" || l.operation == "get-feature")
            last = l.ms;
    });
    return last;
}
