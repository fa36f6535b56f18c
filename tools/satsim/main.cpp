// vexmora-satsim: runs the satellite simulator until interrupted.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <pthread.h>

#include "tools/satsim/SatelliteSimulator.h"

using namespace vexmora::satsim;

namespace {

void Usage(std::FILE* out) {
    std::fprintf(
        out, "usage: vexmora-satsim [options]\n"
             "Serves stand-ins for the FengYun-4A and Himawari-8 servers, the update page and\n"
             "the two web sites on loopback, then prints one VEXMORA_...=address line per\n"
             "build variable and runs until SIGINT or SIGTERM.\n"
             "  --port-base N        servers on ports N..N+4 (default: free ports)\n"
             "  --host ADDRESS       listen address (default 127.0.0.1)\n"
             "  --log FILE           request log, one JSON line per request\n"
             "                       (default satsim-requests.jsonl; '-' for none)\n"
             "  --addresses FILE     also write the VEXMORA_...=address lines to FILE\n"
             "  --print-cmake-args   also print one line of -DVEXMORA_...=address arguments\n"
             "  --print-only         print the addresses for --port-base and exit\n"
             "  --fault ENDPOINT=FAULT[,FAULT...]   switch failure modes on (repeatable)\n"
             "        endpoints: fy4a-image fy4a-query fy4a-tile himawari site all\n"
             "        faults: down empty error-page garbage-image missing-markers bad-tile slow\n"
             "  --bad-tile N         the tile (1..4) that bad-tile spoils (default 2)\n"
             "  --slow-ms N          delay of the slow fault (default 1500)\n"
             "  --thumbnail-size N   pixels of the FengYun-4A thumbnail (default 1000)\n"
             "While running, GET <site>/satsim/fault?endpoint=E&fault=F&on=1|0,\n"
             "<site>/satsim/clear and <site>/satsim/requests control and inspect it.\n");
}

bool ParseInt(const char* text, int& out) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 0 || value > 65535 * 100) {
        return false;
    }
    out = static_cast<int>(value);
    return true;
}

struct FaultSwitch {
    Endpoint endpoint;
    Fault fault;
};

bool ParseFaults(const std::string& spec, std::vector<FaultSwitch>& out) {
    size_t eq = spec.find('=');
    if (eq == std::string::npos) {
        return false;
    }
    std::string name = spec.substr(0, eq);
    std::vector<Endpoint> endpoints;
    if (name == "all") {
        endpoints.assign(std::begin(kAllEndpoints), std::end(kAllEndpoints));
    } else {
        Endpoint endpoint;
        if (!ParseEndpoint(name, endpoint)) {
            return false;
        }
        endpoints.push_back(endpoint);
    }
    std::string list = spec.substr(eq + 1);
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        Fault fault;
        if (!ParseFault(item, fault)) {
            return false;
        }
        for (Endpoint endpoint : endpoints) {
            if (!(endpoint == Endpoint::Site && fault == Fault::Down && name == "all")) {
                out.push_back({endpoint, fault});
            }
        }
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    SimulatorOptions options;
    options.logPath = "satsim-requests.jsonl";
    std::string addressesPath;
    bool printCmakeArgs = false;
    bool printOnly = false;
    int badTile = 2;
    std::vector<FaultSwitch> faults;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "vexmora-satsim: %s needs a value\n", what);
                std::exit(2);
            }
            return argv[++i];
        };
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            Usage(stdout);
            return 0;
        } else if (arg == "--port-base") {
            ok = ParseInt(value("--port-base"), options.portBase) && options.portBase > 0 &&
                 options.portBase <= 65531;
        } else if (arg == "--host") {
            options.host = value("--host");
        } else if (arg == "--log") {
            options.logPath = value("--log");
            if (options.logPath == "-") {
                options.logPath.clear();
            }
        } else if (arg == "--addresses") {
            addressesPath = value("--addresses");
        } else if (arg == "--print-cmake-args") {
            printCmakeArgs = true;
        } else if (arg == "--print-only") {
            printOnly = true;
        } else if (arg == "--fault") {
            ok = ParseFaults(value("--fault"), faults);
        } else if (arg == "--bad-tile") {
            ok = ParseInt(value("--bad-tile"), badTile) && badTile >= 1 && badTile <= 4;
        } else if (arg == "--slow-ms") {
            ok = ParseInt(value("--slow-ms"), options.slowDelayMs);
        } else if (arg == "--thumbnail-size") {
            ok = ParseInt(value("--thumbnail-size"), options.fy4aThumbnailSize) &&
                 options.fy4aThumbnailSize >= 16 && options.fy4aThumbnailSize <= 8000;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "vexmora-satsim: bad argument %s\n", arg.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (printOnly && options.portBase == 0) {
        std::fprintf(stderr, "vexmora-satsim: --print-only needs --port-base\n");
        return 2;
    }

    // Signals are taken by sigwait below; every thread started from here on inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SatelliteSimulator simulator(options);
    for (const FaultSwitch& s : faults) {
        simulator.SetFault(s.endpoint, s.fault);
    }
    simulator.SetBadTile(badTile);
    if (!printOnly) {
        try {
            simulator.Start();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "vexmora-satsim: %s\n", error.what());
            return 1;
        }
    }

    std::string lines;
    std::string cmakeArgs;
    for (const auto& [name, address] : simulator.Variables()) {
        lines += name + "=" + address + "\n";
        cmakeArgs += (cmakeArgs.empty() ? "" : " ") + std::string("-D") + name + "=" + address;
    }
    std::cout << lines;
    if (printCmakeArgs) {
        std::cout << cmakeArgs << "\n";
    }
    std::cout.flush();
    if (!addressesPath.empty()) {
        // Written whole under a temporary name, so a script polling for it never reads half.
        std::string temporary = addressesPath + ".tmp";
        std::ofstream(temporary) << lines;
        if (std::rename(temporary.c_str(), addressesPath.c_str()) != 0) {
            std::fprintf(stderr, "vexmora-satsim: cannot write %s\n", addressesPath.c_str());
        }
    }
    if (printOnly) {
        return 0;
    }
    std::fprintf(stderr, "vexmora-satsim: ready (requests logged to %s)\n",
                 options.logPath.empty() ? "nowhere" : options.logPath.c_str());

    int received = 0;
    sigwait(&signals, &received);
    std::fprintf(stderr, "vexmora-satsim: stopping\n");
    simulator.Stop();
    return 0;
}
