#include "kivserver/relayoptions.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <sstream>
#include <stdexcept>

#include "platform/textutil.h"

namespace kivsrv {

namespace {

int ParseMs(const std::string& text, const std::string& what) {
    int value = -1;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < 0)
        throw std::invalid_argument(what + ": not a number of milliseconds: " + text);
    return value;
}

// "TYPE=CODE[:DESCRIPTION]" or "TYPE=none"; TYPE "*" is every other type.
void ApplyReply(RelayOptions& options, const std::string& value) {
    auto eq = value.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
        throw std::invalid_argument("--reply: expected TYPE=CODE[:DESCRIPTION], got " + value);
    std::string type = LowerAscii(value.substr(0, eq));
    std::string rest = value.substr(eq + 1);
    PosReplyRule& rule = type == "*" ? options.defaultRule : options.rules[type];
    if (LowerAscii(rest) == "none") {
        rule.reply = false;
        return;
    }
    auto colon = rest.find(':');
    rule.reply = true;
    rule.code = rest.substr(0, colon);
    rule.description = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
}

// "MS" (every type without its own delay) or "TYPE=MS".
void ApplyDelays(RelayOptions& options, const std::vector<std::string>& values) {
    int all = -1;
    std::map<std::string, int> byType;
    for (const std::string& value : values) {
        auto eq = value.find('=');
        if (eq == std::string::npos)
            all = ParseMs(value, "--delay");
        else
            byType[LowerAscii(value.substr(0, eq))] = ParseMs(value.substr(eq + 1), "--delay");
    }
    if (all >= 0) {
        options.defaultRule.delayMs = all;
        for (auto& [type, rule] : options.rules)
            rule.delayMs = all;
    }
    for (const auto& [type, ms] : byType) {
        if (type == "*") {
            options.defaultRule.delayMs = ms;
            continue;
        }
        if (options.rules.count(type) == 0) options.rules[type] = options.defaultRule;
        options.rules[type].delayMs = ms;
    }
}

// "CODE" or "CODE=online|offline".
void ApplyPosStatus(RelayOptions& options, const std::vector<std::string>& values) {
    for (const std::string& value : values) {
        auto eq = value.find('=');
        std::string code = value.substr(0, eq);
        std::string status = eq == std::string::npos ? "online" : LowerAscii(value.substr(eq + 1));
        if (code.empty() || (status != "online" && status != "offline"))
            throw std::invalid_argument("--pos-status: expected CODE[=online|offline], got " +
                                        value);
        options.posStatus.emplace_back(code, status);
    }
}

}  // namespace

RelayOptions::RelayOptions() {
    // The workstation does not wait for this one; a reply could only be
    // mistaken for the answer to a later request.
    rules["change_vacant"].reply = false;
}

PosReplyRule RelayOptions::RuleFor(const std::string& type) const {
    auto it = rules.find(LowerAscii(type));
    return it != rules.end() ? it->second : defaultRule;
}

int ParseRelayOptions(int argc, const char* const* argv, RelayOptions& options,
                      std::string& message) {
    CLI::App app{
        "kivserver: relays packets between CulinaroTable workstations and answers POS "
        "requests with a built-in simulator"};
    std::vector<std::string> replies, delays, statuses;
    app.set_config("--config", "",
                   "read options from an INI file (keys are the long option names; options on "
                   "the command line win)");
    // A misspelt key must not leave the server on a default nobody chose.
    app.allow_config_extras(CLI::config_extras_mode::error);
    app.add_option("--port,-p", options.port, "TCP port to listen on (0: any free port)")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    app.add_option("--bind,-b", options.bind, "address to listen on")->capture_default_str();
    app.add_option("--reply", replies,
                   "POS reply for a request type: TYPE=CODE[:DESCRIPTION] or TYPE=none; TYPE * "
                   "for every other type (default 0:OK; change_vacant none)");
    app.add_option("--delay", delays,
                   "delay of the POS replies in milliseconds: MS for every type or TYPE=MS");
    app.add_option("--pos-status", statuses,
                   "POS code announced to every new connection: CODE[=online|offline]");
    app.add_option("--db", options.databases,
                   "database file of the installation (repeatable): the POS simulator opens, "
                   "moves and clears checks in its table statuses and announces each change");
    app.add_option("--log", options.logFile,
                   "log file; \"journal\": standard error without time stamps, with syslog "
                   "priorities (the default under systemd); default: standard error");
    app.add_option("--max-queue-mb", options.maxQueueMB,
                   "megabytes waiting to be sent to all workstations together; beyond it the "
                   "connection holding most is dropped")
        ->capture_default_str()
        ->check(CLI::Range(1, 1 << 20));
    app.add_option("--max-connections", options.maxConnections,
                   "workstations connected at once; more are refused")
        ->capture_default_str()
        ->check(CLI::Range(1, 1 << 20));
    app.add_option("--idle-timeout", options.idleTimeoutSec,
                   "seconds a new connection may take to send its first packet before it is "
                   "closed (0: no limit)")
        ->capture_default_str()
        ->check(CLI::Range(0, 24 * 3600));
    int verbose = 0;
    bool quiet = false;
    app.add_flag("-v,--verbose", verbose, "more log lines (twice: packet texts too)");
    app.add_flag("-q,--quiet", quiet, "errors only");
    try {
        app.parse(argc, argv);
        for (const std::string& r : replies)
            ApplyReply(options, r);
        ApplyDelays(options, delays);
        ApplyPosStatus(options, statuses);
    } catch (const CLI::ParseError& e) {
        std::ostringstream out, err;
        int status = app.exit(e, out, err);
        message = out.str() + err.str();
        return status;
    } catch (const std::exception& e) {
        message = std::string(e.what()) + "\nRun with --help for more information.\n";
        return 2;
    }
    options.verbosity = quiet ? 0 : 1 + verbose;
    return -1;
}

}  // namespace kivsrv
