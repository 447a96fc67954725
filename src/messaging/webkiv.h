#pragma once
// WebKIV: the calls to the web booking service, SOAP 1.1 over HTTP. The
// service holds an outlet's bookable periods, sections and per-table-size
// allotments for a date; the workstation signs in, reads a date's
// configuration (a JSON text), writes it back and signs out. Each call is
// one POST with no retry; it waits at most the configured time-out while the
// event loop keeps running.
#include <cstdint>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "platform/datetime.h"

class Config;
class EventLoop;

// Failures of the web booking calls (ErrNumber).
inline constexpr int32_t kErrWebService = 9040;

struct WebKIVSettings {
    std::string url;         // WebKIVSvrRef: the service endpoint
    int32_t merchantID = 0;  // WebKIVMerchantID
    std::string loginID;     // WebKIVLoginID
    std::string password;    // WebKIVLoginPasswd
    int timeoutMs = 30000;   // WEBSVRTIMEOUT, given in seconds

    // The system parameters above; a missing or non-positive time-out is
    // 30 seconds, a larger one than 600 seconds is cut to 600.
    static WebKIVSettings FromConfig(const Config& config);
};

// One child of an operation element: name, xsi:type and text.
struct SoapArg {
    std::string name;
    std::string type;  // "xsd:string", "xsd:int"
    std::string value;
};

// The request body: XML declaration, envelope with the SOAP 1.1, encoding,
// service and schema prefixes, a body in the SOAP encoding style holding
// tns:`operation` with `args` as typed children. Texts are XML-escaped.
std::string SoapEnvelope(const std::string& operation, const std::vector<SoapArg>& args);

// What an answer document says.
struct SoapAnswer {
    enum Kind { kReturn, kFault, kNotSoap } kind = kNotSoap;
    std::string value;  // kReturn: text of the last child of the response element;
                        // kFault: the fault string (or code)
    std::string text;   // the text content of the whole document, for the log
};
SoapAnswer ReadSoapAnswer(const std::string& xml);

class WebKIV : public ErrorState {
  public:
    enum class Failure {
        kNone,
        kNotConfigured,  // no endpoint address
        kUnreachable,    // no connection to the address
        kTimedOut,       // no answer within the time-out
        kHttpStatus,     // answered with an HTTP error status
        kSoapFault,      // answered with a SOAP fault
        kNotSoap,        // answered with something that is not a SOAP answer
        kRefused,        // the sign-in gave no session
        kNoSession,      // a call that needs a session before signing in
        kOther,
    };

    explicit WebKIV(WebKIVSettings settings, EventLoop* loop = nullptr);

    // Signs in; the session id, kept for the later calls ("" on failure).
    std::string LoginWebKIV();
    // Signs out; the session id is forgotten whatever the answer.
    bool LogoutWebKIV();
    // The date configuration text of the outlet's web code ("" on failure or
    // when the service returns nothing; Failure() tells which).
    std::string GetDateConfigWebKIV(const std::string& shopCode, const DateTime& date);
    // Writes the configuration; the service's return value ("" on failure).
    std::string SetDateConfigWebKIV(const std::string& shopCode, const DateTime& date,
                                    const std::string& dateConfig);

    const std::string& SessionID() const { return sessionID_; }
    bool Connected() const { return !sessionID_.empty(); }
    const WebKIVSettings& Settings() const { return settings_; }
    // The last call's failure and a sentence for the user saying what went
    // wrong ("" after a call that succeeded).
    Failure LastFailure() const { return failure_; }
    const std::string& FailureText() const { return failureText_; }

  private:
    // Posts one operation; false (failure recorded and logged) unless the
    // service answered with a return value.
    bool Call(const std::string& procedure, const std::string& logPrefix,
              const std::string& operation, const std::vector<SoapArg>& args, std::string& value);
    void Fail(Failure failure, const std::string& procedure, const std::string& sentence,
              const std::string& detail);
    std::vector<SoapArg> SessionArgs() const;

    WebKIVSettings settings_;
    EventLoop* loop_;
    std::string sessionID_;
    Failure failure_ = Failure::kNone;
    std::string failureText_;
};

// True when a SetDateConfig return value reports success: "1", "true",
// "ok" or "success" in any case, blanks around ignored. Anything else,
// including an empty return, counts as a failed update.
bool WebUpdateSucceeded(const std::string& returnValue);
