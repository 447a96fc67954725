// The websim program: a web booking service for demos and manual tries.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>

#include "websim/websimulator.h"

namespace websim {

int RunWebSim(int argc, char** argv) {
    CLI::App app{"websim: a web booking service simulator (SOAP over HTTP) for CulinaroTable"};
    std::string bind = "127.0.0.1";
    int port = -1;
    std::string config;
    Account account;
    std::vector<std::string> faults;
    app.add_option("--bind", bind, "address to listen on (default 127.0.0.1)");
    app.add_option("--port", port, "port to listen on (default: the config file's, else 7501)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--config", config,
                   "JSON file: merchantID, login, password, port and shops (code: default date "
                   "configuration)");
    auto* merchant = app.add_option("--merchant", account.merchantID, "merchant number");
    auto* login = app.add_option("--login", account.login, "login name");
    auto* password = app.add_option("--password", account.password, "password");
    app.add_option("--fault", faults,
                   "OPERATION=MODE: answers of Login, Logout, GetDateConfig, SetDateConfig (or "
                   "any) misbehave: http-error, soap-fault, not-json, empty, not-soap, "
                   "slow:MS");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    WebBookingSimulator sim;
    std::string error;
    if (!config.empty() && !sim.LoadConfigFile(config, error)) {
        std::cerr << "websim: " << error << "\n";
        return 1;
    }
    // Options given on the command line win over the file.
    Account a = sim.GetAccount();
    if (!merchant->empty()) a.merchantID = account.merchantID;
    if (!login->empty()) a.login = account.login;
    if (!password->empty()) a.password = account.password;
    sim.SetAccount(a);
    for (const std::string& f : faults) {
        const auto eq = f.find('=');
        std::string op = eq == std::string::npos ? std::string() : f.substr(0, eq);
        std::string mode = eq == std::string::npos ? f : f.substr(eq + 1);
        if (op == "any") op.clear();
        int delay = 0;
        if (mode.rfind("slow:", 0) == 0) {
            delay = std::atoi(mode.c_str() + 5);
            mode = "slow";
        }
        Fault fault = Fault::kNone;
        if (!ParseFault(mode, fault)) {
            std::cerr << "websim: unknown fault " << f << "\n";
            return 2;
        }
        sim.SetFault(op, fault, delay);
    }
    if (port < 0) port = sim.ConfiguredPort() > 0 ? sim.ConfiguredPort() : 7501;
    // Signals are taken by sigwait below, not by the server's threads.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    if (!sim.Start(bind, port, error)) {
        std::cerr << "websim: " << error << "\n";
        return 1;
    }
    // The one line on standard output: scripts that asked for port 0 read it.
    std::cout << "websim listening on " << sim.Url() << std::endl;
    int signal = 0;
    sigwait(&signals, &signal);
    sim.Stop();
    return 0;
}

}  // namespace websim
