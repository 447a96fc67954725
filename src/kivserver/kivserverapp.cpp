#include "kivserver/kivserverapp.h"

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>
#include <csignal>
#include <iostream>

#include "kivserver/relayserver.h"

int RunKIVServer(int argc, char** argv) {
    using namespace kivsrv;
    RelayOptions options;
    std::string message;
    int status = ParseRelayOptions(argc, argv, options, message);
    if (status >= 0) {
        (status == 0 ? std::cout : std::cerr) << message << std::flush;
        return status;
    }
    ServerLog log;
    // Under systemd, standard error is the journal: it keeps the time itself.
    if (options.logFile.empty() && StderrIsJournal()) options.logFile = "journal";
    if (!log.Open(options.logFile)) {
        std::cerr << "kivserver: cannot open the log file " << options.logFile << "\n";
        return 1;
    }
    log.SetVerbosity(options.verbosity);
    try {
        asio::io_context io;
        RelayServer server(io, options, log);
        std::string error;
        if (!server.Start(error)) {
            log.Write(kLogErrors, error);
            if (!options.logFile.empty() && !log.Journal())
                std::cerr << "kivserver: " << error << "\n";
            return 1;
        }
        // The one line on standard output: scripts and tests that asked for
        // port 0 read the port here.
        std::cout << "kivserver listening on " << options.bind << ":" << server.Port() << std::endl;
        asio::signal_set signals(io, SIGINT, SIGTERM);
        signals.async_wait([&](const std::error_code& ec, int signal) {
            if (ec) return;
            log.Write(kLogEvents, "Stopping on signal " + std::to_string(signal));
            server.Stop();
            io.stop();
        });
        io.run();
    } catch (const std::exception& e) {
        log.Write(kLogErrors, std::string("Stopped by an error: ") + e.what());
        return 1;
    }
    return 0;
}
