#pragma once
// A small web booking service for the demo and the tests: it answers the
// SOAP calls Login, Logout, GetDateConfig and SetDateConfig over HTTP,
// keeps each shop's date configurations in memory (a shop's default answers
// for every date not yet written) and records every request it receives.
// Faults can be switched on per operation to try the workstation's failure
// handling. The HTTP server runs on its own threads; every member is safe
// to call from another thread.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace websim {

struct Account {
    int32_t merchantID = 1;
    std::string login = "kiv";
    std::string password = "kiv";
};

// How answers to an operation misbehave.
enum class Fault {
    kNone,
    kHttpError,  // HTTP 503 with a plain-text body
    kSoapFault,  // HTTP 500 with a SOAP fault
    kNotJson,    // a return value that is not JSON
    kEmpty,      // an empty return value
    kNotSoap,    // HTTP 200 with an HTML page
    kSlow,       // the normal answer after a delay
};
// "http-error", "soap-fault", "not-json", "empty", "not-soap", "slow", "none".
bool ParseFault(const std::string& name, Fault& fault);

struct RecordedRequest {
    std::string path;
    std::string contentType;
    std::string soapAction;
    std::string body;
};

class WebBookingSimulator {
  public:
    WebBookingSimulator();
    ~WebBookingSimulator();
    WebBookingSimulator(const WebBookingSimulator&) = delete;
    WebBookingSimulator& operator=(const WebBookingSimulator&) = delete;

    // Reads {"merchantID", "login", "password", "port", "shops": {CODE:
    // default configuration, ...}}; every member is optional.
    bool LoadConfigFile(const std::string& path, std::string& error);
    void SetAccount(Account account);
    Account GetAccount() const;
    // The configuration a shop answers for dates not yet written.
    void SetShopDefault(const std::string& shop, const std::string& json);
    int ConfiguredPort() const { return configuredPort_; }

    // Listens on `bind`:`port` (0: any free port); false with the reason.
    bool Start(const std::string& bind, int port, std::string& error);
    void Stop();
    int Port() const { return port_; }
    // The endpoint address the workstation is given.
    std::string Url() const;

    // The stored (or default) configuration of a shop on "yyyy-MM-dd"; ""
    // for an unknown shop.
    std::string DateConfig(const std::string& shop, const std::string& date) const;
    // Answers to `operation` ("Login", ...; "" for every operation)
    // misbehave until set back to kNone; kSlow waits `delayMs` first.
    void SetFault(const std::string& operation, Fault fault, int delayMs = 0);
    std::vector<RecordedRequest> Requests() const;
    void ClearRequests();
    std::size_t OpenSessions() const;

  private:
    struct FaultRule {
        Fault fault = Fault::kNone;
        int delayMs = 0;
    };
    void Handle(const httplib::Request& req, httplib::Response& res);
    FaultRule FaultFor(const std::string& operation) const;
    // The operation's return value; false with a fault reason instead.
    bool Answer(const std::string& operation, const std::map<std::string, std::string>& args,
                std::string& value, std::string& fault);
    bool SleepUnlessStopped(int ms);

    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    Account account_;
    int configuredPort_ = 0;
    std::map<std::string, std::string> defaults_;                       // shop -> JSON
    std::map<std::pair<std::string, std::string>, std::string> dates_;  // (shop, date) -> JSON
    std::set<std::string> sessions_;
    uint64_t nextSession_ = 1;
    std::map<std::string, FaultRule> faults_;
    std::vector<RecordedRequest> requests_;
    std::string bind_;
    int port_ = 0;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
};

// The command line of the websim program; the exit status.
int RunWebSim(int argc, char** argv);

}  // namespace websim
