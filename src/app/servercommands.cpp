// Shell commands for the server connections: servers, reconnect.
#include "app/servercommands.h"

#include <set>

#include "app/shell.h"
#include "app/viewcommands.h"
#include "core/mltext.h"
#include "messaging/kiv.h"
#include "platform/userinterface.h"
#include "reservations/kivfunc.h"

namespace {

std::string StatusText(bool unknown, bool connected) {
    return GetMLText(unknown ? "Unknown" : connected ? "Online" : "Offline");
}

void Servers(Shell& shell, const std::vector<std::string>&) {
    if (shell.Hub() == nullptr) return;
    for (const std::string& line : ServerStatusLines(*shell.Hub()))
        shell.Out(line);
}

void Reconnect(Shell& shell, const std::vector<std::string>&) {
    if (shell.Hub() == nullptr) return;
    for (const std::string& line : ReconnectAll(*shell.Hub()))
        shell.Out(line);
}

}  // namespace

std::unique_ptr<KIV> OpenHub() {
    UI().SetStatus(GetMLText("Initializing CulinaroTable objects..."));
    auto hub = std::make_unique<KIV>();
    UI().SetStatus(GetMLText("Connecting to servers..."));
    hub->KIVConn().Load();
    hub->KIVConn().ConnectAll();
    // Holds left by an earlier run of this workstation that ended without
    // releasing them.
    hub->Func().ReleaseAllTempHoldTables();
    UI().SetStatus(GetMLText("Initializing user interface..."));
    hub->SetViews(OpenViews(*hub));
    KIV* raw = hub.get();
    hub->OnSocketError([raw](const std::string& address, int32_t, const std::string& description,
                             int32_t,
                             const std::string&) { PromptReconnect(*raw, address, description); });
    return hub;
}

void PromptReconnect(KIV& hub, const std::string& address, const std::string& description) {
    // One prompt per server at a time: the reconnect pauses handle events,
    // and a second error of the same server must not open another prompt.
    static std::set<std::string> prompting;
    if (prompting.count(address) != 0) return;
    KIVServer* server = nullptr;
    for (auto& [id, s] : hub.KIVConn().KIVServers())
        if (s->ClientConnectIP() == address) {
            server = s.get();
            break;
        }
    if (server == nullptr) return;
    const int32_t serviceID = server->ServiceID();
    hub.MarkServerOffline(*server);
    prompting.insert(address);
    struct Done {
        const std::string& address;
        ~Done() { prompting.erase(address); }
    } done{address};
    std::string question = GetMLText("Fail to connect ") + address + GetMLText(" fail: ") +
                           description + "\n" + GetMLText("Are you sure to reconnect?");
    if (!UI().AskYesNo(question, GetMLText("Connection Fail"), false)) return;
    if (!hub.KIVConn().Reconnect(serviceID, kReconnectAttempts, kReconnectPauseMs)) {
        UI().MessageBox(GetMLText("Fail to reconnect ") + address, MsgIcon::Exclamation,
                        GetMLText("Connection Fail"));
        return;
    }
    if (KIVServer* s = hub.KIVConn().GetKIVServer(serviceID)) s->SetConnected(true);
    UI().MessageBox(GetMLText("Connected to ") + address, MsgIcon::Information,
                    GetMLText("Connection"));
}

std::vector<std::string> ServerStatusLines(KIV& hub) {
    std::vector<std::string> lines;
    for (auto& [id, s] : hub.KIVConn().KIVServers())
        lines.push_back(GetMLText("CulinaroTable Server") + "\t" + s->ServiceCode() + "\t" +
                        s->ClientConnectIP() + "\t" + StatusText(s->InitConn(), s->Connected()));
    for (auto& [id, p] : hub.POSServerList().Servers())
        lines.push_back(GetMLText("POS Server") + "\t" + p->POSCode() + "\t" + p->IPAddress() +
                        "\t" + StatusText(p->UnknownStatus(), p->Connected()));
    return lines;
}

std::vector<std::string> ReconnectAll(KIV& hub) {
    KIVConnections& conn = hub.KIVConn();
    conn.ConnectAll();
    std::vector<std::string> lines;
    for (auto& [id, s] : conn.KIVServers()) {
        if (s->Connected()) {
            lines.push_back(GetMLText("Connected to ") + s->ClientConnectIP());
        } else {
            hub.MarkServerOffline(*s);
            lines.push_back(GetMLText("Fail to reconnect ") + s->ClientConnectIP());
        }
    }
    return lines;
}

void AddServerCommands(Shell& shell) {
    shell.Add({"servers", "servers", "Show the KIV and POS servers: kind, code, address, status",
               Servers});
    shell.Add({"reconnect", "reconnect", "Connect to every KIV server again", Reconnect});
}
