#include "messaging/webkiv.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>

#include "core/config.h"
#include "core/log.h"
#include "core/mltext.h"
#include "messaging/httppost.h"
#include "platform/textutil.h"

namespace {

constexpr const char* kClass = "WebKIV";
constexpr const char* kLogModule = "frmAllotment";
constexpr const char* kService = "urn:WebServiceServer";
constexpr int kDefaultTimeoutSec = 30;
constexpr int kMaxTimeoutSec = 600;

std::string XmlEscape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The element name without its prefix: answers may use any prefix.
std::string LocalName(const pugi::xml_node& node) {
    std::string name = node.name();
    const auto colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

pugi::xml_node ChildNamed(const pugi::xml_node& parent, const std::string& local) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && LocalName(c) == local) return c;
    return {};
}

// The concatenated text of every text node below `node` (pugixml walks the
// tree without recursion, so a deeply nested answer cannot exhaust the stack).
class TextCollector : public pugi::xml_tree_walker {
  public:
    bool for_each(pugi::xml_node& n) override {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
        return true;
    }
    std::string text;
};

std::string TextContent(pugi::xml_node node) {
    TextCollector collector;
    node.traverse(collector);
    return std::move(collector.text);
}

pugi::xml_node LastElementChild(const pugi::xml_node& parent) {
    pugi::xml_node last;
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) last = c;
    return last;
}

pugi::xml_node FirstElementChild(const pugi::xml_node& parent) {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return c;
    return {};
}

}  // namespace

WebKIVSettings WebKIVSettings::FromConfig(const Config& config) {
    WebKIVSettings s;
    s.url = Trim(config.ConfigParam("WebKIVSvrRef").ToText(), kSpaceChars);
    s.merchantID = config.ConfigParam("WebKIVMerchantID").ToInt32();
    s.loginID = config.ConfigParam("WebKIVLoginID").ToText();
    s.password = config.ConfigParam("WebKIVLoginPasswd").ToText();
    int seconds = config.WebSvrTimeout();
    if (seconds <= 0) seconds = kDefaultTimeoutSec;
    s.timeoutMs = std::min(seconds, kMaxTimeoutSec) * 1000;
    return s;
}

std::string SoapEnvelope(const std::string& operation, const std::vector<SoapArg>& args) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
        " xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\""
        " xmlns:tns=\"urn:WebServiceServer\""
        " xmlns:types=\"urn:WebServiceServer/encodedTypes\""
        " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
        " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
        "<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">"
        "<tns:" +
        operation + ">";
    for (const auto& a : args) {
        xml += "<" + a.name + " xsi:type=\"" + a.type + "\">" + XmlEscape(a.value) + "</" + a.name +
               ">";
    }
    xml += "</tns:" + operation + "></soap:Body></soap:Envelope>";
    return xml;
}

SoapAnswer ReadSoapAnswer(const std::string& xml) {
    SoapAnswer answer;
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data(), xml.size())) return answer;
    answer.text = TextContent(doc);
    const pugi::xml_node envelope = FirstElementChild(doc);
    if (!envelope || LocalName(envelope) != "Envelope") return answer;
    const pugi::xml_node body = ChildNamed(envelope, "Body");
    const pugi::xml_node response = FirstElementChild(body);
    if (!response) return answer;
    if (LocalName(response) == "Fault") {
        answer.kind = SoapAnswer::kFault;
        answer.value = Trim(TextContent(ChildNamed(response, "faultstring")), kSpaceChars);
        if (answer.value.empty())
            answer.value = Trim(TextContent(ChildNamed(response, "faultcode")), kSpaceChars);
        return answer;
    }
    answer.kind = SoapAnswer::kReturn;
    const pugi::xml_node last = LastElementChild(response);
    if (last) answer.value = TextContent(last);
    return answer;
}

bool WebUpdateSucceeded(const std::string& returnValue) {
    std::string v = Trim(returnValue, kSpaceChars);
    std::transform(v.begin(), v.end(), v.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return v == "1" || v == "true" || v == "ok" || v == "success";
}

WebKIV::WebKIV(WebKIVSettings settings, EventLoop* loop)
    : settings_(std::move(settings)), loop_(loop) {}

void WebKIV::Fail(Failure failure, const std::string& procedure, const std::string& sentence,
                  const std::string& detail) {
    failure_ = failure;
    failureText_ = GetMLText(sentence) + (detail.empty() ? "" : ": " + detail);
    SetErr(kErrWebService, kClass, procedure, sentence + (detail.empty() ? "" : ": " + detail));
    WriteLog(sentence + (detail.empty() ? "" : ": " + detail), kLogModule, procedure);
}

bool WebKIV::Call(const std::string& procedure, const std::string& logPrefix,
                  const std::string& operation, const std::vector<SoapArg>& args,
                  std::string& value) {
    value.clear();
    failure_ = Failure::kNone;
    failureText_.clear();
    ClearErr();
    if (settings_.url.empty()) {
        Fail(Failure::kNotConfigured, procedure,
             "No web booking service is configured (system parameter WebKIVSvrRef)", "");
        return false;
    }
    HttpRequest request;
    request.url = settings_.url;
    request.headers = {{"Content-Type", "text/xml; charset=utf-8"},
                       {"SOAPAction", "\"" + std::string(kService) + "#" + operation + "\""}};
    request.body = SoapEnvelope(operation, args);
    request.timeoutMs = settings_.timeoutMs;
    const HttpReply reply = HttpPost(request, loop_);
    switch (reply.outcome) {
        case HttpOutcome::kAnswered:
            break;
        case HttpOutcome::kUnreachable:
            Fail(Failure::kUnreachable, procedure, "Cannot reach the web booking service",
                 settings_.url + " (" + reply.error + ")");
            return false;
        case HttpOutcome::kTimedOut:
            Fail(Failure::kTimedOut, procedure, "The web booking service did not answer in time",
                 std::to_string(settings_.timeoutMs) + " ms");
            return false;
        case HttpOutcome::kFailed:
            Fail(Failure::kOther, procedure, "The call to the web booking service failed",
                 reply.error);
            return false;
    }
    const SoapAnswer answer = ReadSoapAnswer(reply.body);
    WriteLog(logPrefix + answer.text, kLogModule, procedure, kLogInfo, 4);
    // A SOAP 1.1 fault comes with status 500; its own reason says more.
    if (answer.kind == SoapAnswer::kFault) {
        Fail(Failure::kSoapFault, procedure, "The web booking service reported a fault",
             answer.value);
        return false;
    }
    if (reply.status < 200 || reply.status > 299) {
        Fail(Failure::kHttpStatus, procedure, "The web booking service answered with HTTP status",
             std::to_string(reply.status));
        return false;
    }
    if (answer.kind != SoapAnswer::kReturn) {
        Fail(Failure::kNotSoap, procedure,
             "The web booking service sent an answer that is not a SOAP message", "");
        return false;
    }
    value = answer.value;
    return true;
}

std::vector<SoapArg> WebKIV::SessionArgs() const {
    return {{"sessionID", "xsd:string", sessionID_}, {"interfaceType", "xsd:string", "KIV"}};
}

std::string WebKIV::LoginWebKIV() {
    sessionID_.clear();
    std::string value;
    if (!Call("LoginWebKIV", "LoginWebKIV:Return=", "Login",
              {{"interfaceType", "xsd:string", "KIV"},
               {"merchantID", "xsd:int", std::to_string(settings_.merchantID)},
               {"username", "xsd:string", settings_.loginID},
               {"password", "xsd:string", settings_.password}},
              value)) {
        return {};
    }
    sessionID_ = Trim(value, kSpaceChars);
    if (sessionID_.empty()) {
        Fail(Failure::kRefused, "LoginWebKIV", "The web booking service refused the sign-in", "");
    }
    return sessionID_;
}

bool WebKIV::LogoutWebKIV() {
    if (sessionID_.empty()) return true;
    std::string value;
    const bool ok = Call("LogoutWebKIV", "LogoutWebKIV:Return=", "Logout", SessionArgs(), value);
    sessionID_.clear();
    return ok;
}

std::string WebKIV::GetDateConfigWebKIV(const std::string& shopCode, const DateTime& date) {
    if (sessionID_.empty()) {
        Fail(Failure::kNoSession, "GetDateConfigWebKIV", "Not signed in to the web booking service",
             "");
        return {};
    }
    auto args = SessionArgs();
    args.push_back({"merchantID", "xsd:int", std::to_string(settings_.merchantID)});
    args.push_back({"shopCode", "xsd:string", shopCode});
    args.push_back({"date", "xsd:string", date.DateText()});
    args.push_back({"wantLang", "xsd:string", "en"});
    std::string value;
    Call("GetDateConfigWebKIV", "GetDateConfig:Return=", "GetDateConfig", args, value);
    return value;
}

std::string WebKIV::SetDateConfigWebKIV(const std::string& shopCode, const DateTime& date,
                                        const std::string& dateConfig) {
    if (sessionID_.empty()) {
        Fail(Failure::kNoSession, "SetDateConfigWebKIV", "Not signed in to the web booking service",
             "");
        return {};
    }
    auto args = SessionArgs();
    args.push_back({"merchantID", "xsd:int", std::to_string(settings_.merchantID)});
    args.push_back({"shopCode", "xsd:string", shopCode});
    args.push_back({"date", "xsd:string", date.DateText()});
    args.push_back({"dateConfig", "xsd:string", dateConfig});
    std::string value;
    Call("SetDateConfigWebKIV", "SetDateConfig:Return=", "SetDateConfig", args, value);
    return value;
}
