#include "websim/websimulator.h"

#include <httplib.h>

#include <pugixml.hpp>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>

#include "messaging/json.h"

namespace websim {

namespace {

constexpr const char* kEnvelopeOpen =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\""
    " xmlns:tns=\"urn:WebServiceServer\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
    "<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";
constexpr const char* kEnvelopeClose = "</soap:Body></soap:Envelope>";

std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out += c;
        }
    }
    return out;
}

std::string LocalName(const pugi::xml_node& n) {
    std::string name = n.name();
    const auto colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

pugi::xml_node FirstElement(const pugi::xml_node& parent, const std::string& local = "") {
    for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && (local.empty() || LocalName(c) == local)) return c;
    return {};
}

// A result code and then the return value: clients read the last child.
std::string ReturnEnvelope(const std::string& operation, bool ok, const std::string& value) {
    return std::string(kEnvelopeOpen) + "<tns:" + operation + "Response>" +
           "<resultCode xsi:type=\"xsd:int\">" + (ok ? "0" : "1") + "</resultCode>" +
           "<return xsi:type=\"xsd:string\">" + Escape(value) + "</return></tns:" + operation +
           "Response>" + kEnvelopeClose;
}

std::string FaultEnvelope(const std::string& code, const std::string& reason) {
    return std::string(kEnvelopeOpen) + "<soap:Fault><faultcode>soap:" + code +
           "</faultcode><faultstring>" + Escape(reason) + "</faultstring></soap:Fault>" +
           kEnvelopeClose;
}

bool IsDate(const std::string& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (i != 4 && i != 7 && (s[i] < '0' || s[i] > '9')) return false;
    return true;
}

bool IsJsonObject(const std::string& text) {
    JSON json;
    const JsonValue v = json.Parse(text);
    return json.ErrorText().empty() && v.IsObject();
}

}  // namespace

bool ParseFault(const std::string& name, Fault& fault) {
    static const std::map<std::string, Fault> names = {{"none", Fault::kNone},
                                                       {"http-error", Fault::kHttpError},
                                                       {"soap-fault", Fault::kSoapFault},
                                                       {"not-json", Fault::kNotJson},
                                                       {"empty", Fault::kEmpty},
                                                       {"not-soap", Fault::kNotSoap},
                                                       {"slow", Fault::kSlow}};
    auto it = names.find(name);
    if (it == names.end()) return false;
    fault = it->second;
    return true;
}

WebBookingSimulator::WebBookingSimulator() = default;

WebBookingSimulator::~WebBookingSimulator() {
    Stop();
}

bool WebBookingSimulator::LoadConfigFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    JSON json;
    const JsonValue root = json.Parse(text.str());
    if (!json.ErrorText().empty() || !root.IsObject()) {
        error = path + ": not a JSON object " + json.ErrorText();
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!root["merchantID"].IsNull())
        account_.merchantID = static_cast<int32_t>(root["merchantID"].AsInt64());
    if (!root["login"].IsNull()) account_.login = root["login"].AsText();
    if (!root["password"].IsNull()) account_.password = root["password"].AsText();
    if (!root["port"].IsNull()) configuredPort_ = static_cast<int>(root["port"].AsInt64());
    if (const JsonObject* shops = root["shops"].AsObject()) {
        for (const auto& [code, config] : *shops)
            defaults_[code] = json.ToString(config);
    }
    return true;
}

void WebBookingSimulator::SetAccount(Account account) {
    std::lock_guard<std::mutex> lock(mutex_);
    account_ = std::move(account);
}

Account WebBookingSimulator::GetAccount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return account_;
}

void WebBookingSimulator::SetShopDefault(const std::string& shop, const std::string& json) {
    std::lock_guard<std::mutex> lock(mutex_);
    defaults_[shop] = json;
}

bool WebBookingSimulator::Start(const std::string& bind, int port, std::string& error) {
    Stop();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    server_ = std::make_unique<httplib::Server>();
    server_->Post(
        ".*", [this](const httplib::Request& req, httplib::Response& res) { Handle(req, res); });
    if (port == 0) {
        port_ = server_->bind_to_any_port(bind);
    } else if (server_->bind_to_port(bind, port)) {
        port_ = port;
    } else {
        port_ = -1;
    }
    if (port_ <= 0) {
        error = "cannot listen on " + bind + ":" + std::to_string(port);
        server_.reset();
        port_ = 0;
        return false;
    }
    bind_ = bind;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    return true;
}

void WebBookingSimulator::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

std::string WebBookingSimulator::Url() const {
    return "http://" + bind_ + ":" + std::to_string(port_) + "/WebServiceServer";
}

std::string WebBookingSimulator::DateConfig(const std::string& shop,
                                            const std::string& date) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto dated = dates_.find({shop, date});
    if (dated != dates_.end()) return dated->second;
    auto def = defaults_.find(shop);
    return def == defaults_.end() ? std::string() : def->second;
}

void WebBookingSimulator::SetFault(const std::string& operation, Fault fault, int delayMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_[operation] = FaultRule{fault, delayMs};
}

std::vector<RecordedRequest> WebBookingSimulator::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void WebBookingSimulator::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

std::size_t WebBookingSimulator::OpenSessions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.size();
}

WebBookingSimulator::FaultRule WebBookingSimulator::FaultFor(const std::string& operation) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = faults_.find(operation);
    if (it != faults_.end() && it->second.fault != Fault::kNone) return it->second;
    it = faults_.find("");
    return it != faults_.end() ? it->second : FaultRule{};
}

bool WebBookingSimulator::SleepUnlessStopped(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stopped_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

void WebBookingSimulator::Handle(const httplib::Request& req, httplib::Response& res) {
    const std::string action = req.get_header_value("SOAPAction");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back({req.path, req.get_header_value("Content-Type"), action, req.body});
    }
    pugi::xml_document doc;
    pugi::xml_node operation;
    if (doc.load_buffer(req.body.data(), req.body.size())) {
        const pugi::xml_node envelope = FirstElement(doc, "Envelope");
        operation = FirstElement(FirstElement(envelope, "Body"));
    }
    const std::string op = operation ? LocalName(operation) : std::string();
    const auto fault = [&res](const std::string& code, const std::string& reason) {
        res.status = 500;
        res.set_content(FaultEnvelope(code, reason), "text/xml; charset=utf-8");
    };
    if (op.empty()) return fault("Client", "The request is not a SOAP message");
    if (action != "\"urn:WebServiceServer#" + op + "\"")
        return fault("Client", "SOAPAction does not name the operation " + op);
    if (req.get_header_value("Content-Type") != "text/xml; charset=utf-8")
        return fault("Client", "Content-Type must be text/xml; charset=utf-8");

    const FaultRule rule = FaultFor(op);
    switch (rule.fault) {
        case Fault::kHttpError:
            res.status = 503;
            res.set_content("Service Unavailable", "text/plain");
            return;
        case Fault::kSoapFault:
            return fault("Server", "Simulated failure of " + op);
        case Fault::kNotSoap:
            res.status = 200;
            res.set_content("<html><body>Maintenance</body></html>", "text/html");
            return;
        case Fault::kSlow:
            if (!SleepUnlessStopped(rule.delayMs)) return;
            break;
        default:
            break;
    }
    std::map<std::string, std::string> args;
    for (pugi::xml_node c = operation.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) args[LocalName(c)] = c.text().get();
    std::string value, reason;
    if (!Answer(op, args, value, reason)) return fault("Client", reason);
    if (rule.fault == Fault::kNotJson) value = "Service temporarily closed";
    if (rule.fault == Fault::kEmpty) value.clear();
    res.status = 200;
    res.set_content(ReturnEnvelope(op, true, value), "text/xml; charset=utf-8");
}

bool WebBookingSimulator::Answer(const std::string& op,
                                 const std::map<std::string, std::string>& args, std::string& value,
                                 std::string& fault) {
    const auto arg = [&args](const char* name) {
        auto it = args.find(name);
        return it == args.end() ? std::string() : it->second;
    };
    std::lock_guard<std::mutex> lock(mutex_);
    if (arg("interfaceType") != "KIV") {
        fault = "interfaceType must be KIV";
        return false;
    }
    if (op == "Login") {
        if (arg("merchantID") == std::to_string(account_.merchantID) &&
            arg("username") == account_.login && arg("password") == account_.password) {
            std::random_device random;
            value = "WS" + std::to_string(nextSession_++) + "-" + std::to_string(random() % 100000);
            sessions_.insert(value);
        }
        return true;  // an empty session id refuses the sign-in
    }
    if (sessions_.count(arg("sessionID")) == 0) {
        fault = "Invalid session";
        return false;
    }
    if (op == "Logout") {
        sessions_.erase(arg("sessionID"));
        value = "1";
        return true;
    }
    if (op != "GetDateConfig" && op != "SetDateConfig") {
        fault = "Unknown operation " + op;
        return false;
    }
    if (arg("merchantID") != std::to_string(account_.merchantID) || !IsDate(arg("date"))) {
        fault = "Invalid merchantID or date";
        return false;
    }
    const std::string shop = arg("shopCode");
    const bool known = defaults_.count(shop) != 0;
    if (op == "GetDateConfig") {
        auto dated = dates_.find({shop, arg("date")});
        value = dated != dates_.end() ? dated->second : known ? defaults_[shop] : std::string();
        return true;
    }
    const std::string config = arg("dateConfig");
    if (!known || !IsJsonObject(config)) {
        value = "0";
        return true;
    }
    dates_[{shop, arg("date")}] = config;
    value = "1";
    return true;
}

}  // namespace websim
