// umockmouse: runs one program inside a testbed with mocked mice.
#include "sim/umock/mockbed.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <csignal>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_signal = 0;

void noteSignal(int sig)
{
    g_signal = sig;
}

std::string executableDirectory()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    const std::string path(buf, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/'));
}

const char usage[] =
    "usage: umockmouse [--catalogue FILE] [--family N]... [--combined N]... [--decoys]\n"
    "                  [--trace FILE] -- PROGRAM [ARGS]\n"
    "Plugs a mocked mouse of each catalogue family given (default: family 0) and runs PROGRAM\n"
    "on the real hidapi and libudev against it. Lines on standard input drive the mice:\n"
    "  unplug ID | plug N | combined N | event ID B0 B1 B2 B3 | dpi ID LEVEL | stall ID MS\n"
    "  state ID | trace\n"
    "Mice are numbered from 0 in the order plugged. Exits with PROGRAM's status.\n";

bool family(const std::string &catalogue, const std::string &n, vmouse::DeviceDescription &out)
{
    std::ifstream file(catalogue, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return file && vmouse::DeviceDescription::fromCatalogue(text.str(), n, out);
}

void control(umock::MockBed &bed, const std::string &catalogue, const std::string &line)
{
    std::istringstream in(line);
    std::string word;
    in >> word;
    int id = -1;
    if (word == "plug" || word == "combined") {
        std::string n;
        in >> n;
        vmouse::DeviceDescription d;
        if (family(catalogue, n, d))
            std::printf("umockmouse: mouse %d\n", bed.plug(d, word == "combined"));
        else
            std::printf("umockmouse: no family %s in %s\n", n.c_str(), catalogue.c_str());
    } else if (word == "unplug" && in >> id) {
        bed.unplug(id);
    } else if (word == "event" && in >> id) {
        int b[4] = {};
        in >> b[0] >> b[1] >> b[2] >> b[3];
        bed.pushEvent(id, static_cast<unsigned char>(b[0]), static_cast<unsigned char>(b[1]),
                      static_cast<unsigned char>(b[2]), static_cast<unsigned char>(b[3]));
    } else if (word == "dpi" && in >> id) {
        int level = 0;
        in >> level;
        bed.pressDpiButton(id, level);
    } else if (word == "stall" && in >> id) {
        int ms = 0;
        in >> ms;
        bed.stallFeatureReads(id, ms);
    } else if (word == "state" && in >> id) {
        vmouse_state s{};
        if (bed.state(id, &s))
            std::printf("umockmouse: rate %u level %u light %u/%u/%u/%u commands %u errors %u\n", s.reportRate,
                        s.currentLevel, s.lightMode, s.lightSlot, s.lightBrightness, s.lightSpeed, s.commands,
                        s.errors);
    } else if (word == "trace") {
        std::fputs(bed.trace().c_str(), stdout);
    } else if (!word.empty()) {
        std::printf("umockmouse: unknown line \"%s\"\n", line.c_str());
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    umock::MockBed::preloadSelf(argv);
    std::string catalogue = executableDirectory() + "/data/apConfig.bin";
    std::string traceFile;
    std::vector<std::pair<std::string, bool>> families;
    bool decoys = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if ((a == "--family" || a == "--combined") && i + 1 < argc)
            families.emplace_back(argv[++i], a == "--combined");
        else if (a == "--catalogue" && i + 1 < argc)
            catalogue = argv[++i];
        else if (a == "--trace" && i + 1 < argc)
            traceFile = argv[++i];
        else if (a == "--decoys")
            decoys = true;
        else {
            std::fputs(usage, a == "--help" ? stdout : stderr);
            return a == "--help" ? 0 : 2;
        }
    }
    if (i >= argc) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (families.empty())
        families.emplace_back("0", false);

    umock::MockBed bed;
    if (!bed.valid()) {
        std::fputs("umockmouse: no testbed\n", stderr);
        return 1;
    }
    for (const auto &f : families) {
        vmouse::DeviceDescription d;
        if (!family(catalogue, f.first, d) || bed.plug(d, f.second) < 0) {
            std::fprintf(stderr, "umockmouse: cannot plug family %s of %s\n", f.first.c_str(), catalogue.c_str());
            return 1;
        }
    }
    if (decoys)
        bed.plugDecoys();

    const pid_t child = fork();
    if (child == 0) {
        for (const auto &e : bed.childEnvironment())
            setenv(e.first.c_str(), e.second.c_str(), 1);
        execvp(argv[i], argv + i);
        std::perror(argv[i]);
        _exit(127);
    }
    if (child < 0)
        return 1;
    // Stopped from outside, the program is stopped too, so that the testbed folder goes.
    struct sigaction sa {};
    sa.sa_handler = noteSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    int status = 0;
    std::string pending;
    bool input = true;
    for (;;) {
        if (waitpid(child, &status, WNOHANG) == child)
            break;
        if (g_signal) {
            kill(child, g_signal);
            g_signal = 0;
        }
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (!input || poll(&p, 1, 100) <= 0) {
            if (!input)
                usleep(100000);
            continue;
        }
        char buf[256];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            input = false;
            continue;
        }
        pending.append(buf, static_cast<size_t>(n));
        for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
            control(bed, catalogue, pending.substr(0, eol));
            pending.erase(0, eol + 1);
        }
    }
    if (!traceFile.empty())
        std::ofstream(traceFile, std::ios::app) << bed.trace();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
