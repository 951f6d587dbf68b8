// Stand-alone simulated device: serves a pseudo-terminal until interrupted, so a person can
// point the program at it:  QWLVIEW_COM1=<printed path> ./qwlview
#include "peers/simdevice.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

void usage(const char* self)
{
    std::fprintf(stderr,
        "usage: %s [--port N] [--silent] [--silent-after N] [--error] [--refuse KEY]... [--noise TEXT]\n"
        "          [--split] [--upper-echo] [--long-value KEY] [--set KEY=VALUE]...\n",
        self);
}

}  // namespace

int main(int argc, char** argv)
{
    peers::SimDevice device;
    if (!device.ok()) {
        std::fprintf(stderr, "cannot open a pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    peers::SimDevice::Script script;
    int port = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasArg = i + 1 < argc;
        if (a == "--port" && hasArg) {
            port = std::atoi(argv[++i]);
        } else if (a == "--silent") {
            script.silent = true;
        } else if (a == "--silent-after" && hasArg) {
            script.silentAfter = std::atoi(argv[++i]);
        } else if (a == "--refuse" && hasArg) {
            script.refusedKeys.insert(argv[++i]);
        } else if (a == "--error") {
            script.errorReply = true;
        } else if (a == "--noise" && hasArg) {
            script.noiseBeforeStx = argv[++i];
        } else if (a == "--split") {
            script.splitBytes = true;
        } else if (a == "--upper-echo") {
            script.echoUpperCase = true;
        } else if (a == "--long-value" && hasArg) {
            device.setKey(argv[++i], std::string(120, 'v'));
        } else if (a == "--set" && hasArg) {
            const std::string kv = argv[++i];
            const size_t eq = kv.find('=');
            if (eq == std::string::npos) {
                usage(argv[0]);
                return 2;
            }
            device.setKey(kv.substr(0, eq), kv.substr(eq + 1));
        } else {
            usage(argv[0]);
            return 2;
        }
    }
    device.setScript(script);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    device.start();
    std::printf("%s\nQWLVIEW_COM%d=%s\n", device.ptyPath().c_str(), port, device.ptyPath().c_str());
    std::fflush(stdout);

    size_t shown = 0;
    while (!g_stop) {
        usleep(100 * 1000);
        const auto reqs = device.requests();
        for (; shown < reqs.size(); ++shown)
            std::fprintf(stderr, "<- %s\n", reqs[shown].text.c_str());
    }
    device.stop();
    return 0;
}
