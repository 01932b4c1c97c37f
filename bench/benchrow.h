#pragma once

#include <cstdio>
#include <string>

// One line of the benchmark table, tab-separated, for bench/run to collect:
// figure, value, baseline, ratio, goal, met.
class BenchRow
{
public:
    // A figure measured against a baseline; met when value <= goalRatio * baseline.
    static void ratio(const std::string &figure, double value, double baseline,
                      const char *unit, double goalRatio)
    {
        const double r = baseline > 0 ? value / baseline : 0;
        char goal[32];
        std::snprintf(goal, sizeof goal, "<= %.2fx", goalRatio);
        print(figure, number(value, unit), number(baseline, unit), fixed(r, "x"), goal,
              baseline > 0 && r <= goalRatio ? "yes" : "NO");
    }

    // A figure with an absolute bound; met when value < bound (or <= with inclusive).
    static void bound(const std::string &figure, double value, const char *unit,
                      const std::string &baseline, double limit, bool inclusive)
    {
        char goal[48];
        std::snprintf(goal, sizeof goal, "%s %s", inclusive ? "<=" : "<", number(limit, unit).c_str());
        const bool met = inclusive ? value <= limit : value < limit;
        print(figure, number(value, unit), baseline, "-", goal, met ? "yes" : "NO");
    }

    // A figure reported for its growth only.
    static void info(const std::string &figure, double value, const char *unit,
                     const std::string &baseline = "-", const std::string &ratioText = "-")
    {
        print(figure, number(value, unit), baseline, ratioText, "-", "-");
    }

    static void print(const std::string &figure, const std::string &value,
                      const std::string &baseline, const std::string &ratioText,
                      const std::string &goal, const std::string &met)
    {
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", figure.c_str(), value.c_str(), baseline.c_str(),
                    ratioText.c_str(), goal.c_str(), met.c_str());
        std::fflush(stdout);
    }

    static std::string number(double v, const char *unit)
    {
        char text[48];
        if (v != 0 && v < 0.1 && v > -0.1)
            std::snprintf(text, sizeof text, "%.4f %s", v, unit);
        else if (v < 100)
            std::snprintf(text, sizeof text, "%.2f %s", v, unit);
        else
            std::snprintf(text, sizeof text, "%.0f %s", v, unit);
        return text;
    }

    static std::string fixed(double v, const char *unit)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f%s", v, unit);
        return text;
    }
};
