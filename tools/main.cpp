// cerca-risultati: the local results service, for a demo without a network.
//   cerca-risultati PORT [RESULTS_FILE]
#include "resultsservice.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }
} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PORT [RESULTS_FILE]\n", argv[0]);
        return 2;
    }
    results::Catalog catalog;
    if (argc > 2) {
        auto loaded = results::Catalog::load(argv[2]);
        if (!loaded) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 1;
        }
        catalog = std::move(*loaded);
    }
    results::Service service(std::move(catalog));
    service.setLogStream(true);
    const int port = service.start(std::atoi(argv[1]));
    if (port < 0) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%s\n", argv[1]);
        return 1;
    }
    std::printf("listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    while (!stopRequested)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    service.stop();
    return 0;
}
