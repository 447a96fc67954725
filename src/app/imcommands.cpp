// Shell commands of the instant messages between workstations: the
// workstations they can go to, sending, today's (or a day's) messages, and
// the line printed when one arrives.
#include <algorithm>
#include <map>
#include <optional>

#include "app/shell.h"
#include "app/venueargs.h"
#include "core/mltext.h"
#include "messaging/instantmsgs.h"
#include "messaging/kiv.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"

namespace {

constexpr const char* kSendUsage = "im send WS[,WS...]|all TEXT";

// The session's messages; nullptr (and a line) before sign-in.
InstantMsgs* SessionIM(Shell& shell) {
    if (shell.Hub() == nullptr) {
        shell.Error(GetMLText("Instant messages are not available"));
        return nullptr;
    }
    return &shell.Hub()->IM();
}

std::string SenderCode(const std::map<int32_t, std::string>& codes, int32_t clientID) {
    auto it = codes.find(clientID);
    return it != codes.end() && !it->second.empty() ? it->second : std::to_string(clientID);
}

void Clients(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 0, "clients")) return;
    InstantMsgs* im = SessionIM(shell);
    if (im == nullptr) return;
    std::vector<IMClient> clients;
    if (!im->GetClients(clients)) {
        shell.Error(GetMLText("Cannot read the workstations") + ": " + im->ErrDescription());
        return;
    }
    shell.BeginTable(TableLayout({"ID", "Code", "Name"}));
    for (const IMClient& c : clients)
        shell.Out(std::to_string(c.ClientID) + "\t" + OneField(c.ClientCode) + "\t" +
                  OneField(c.Name));
}

// The ids of a comma-separated list of workstation codes (or ids); nothing,
// after a line naming the first unknown one, when any is unknown.
std::optional<std::vector<int32_t>> Recipients(Shell& shell, InstantMsgs& im,
                                               const std::string& list) {
    std::vector<IMClient> clients;
    if (!im.GetClients(clients)) {
        shell.Error(GetMLText("Cannot read the workstations") + ": " + im.ErrDescription());
        return std::nullopt;
    }
    std::vector<int32_t> ids;
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        const std::string code = Trim(list.substr(start, comma - start), " \t");
        start = comma + 1;
        if (code.empty()) continue;
        auto it = std::find_if(clients.begin(), clients.end(), [&](const IMClient& c) {
            return UpperAscii(c.ClientCode) == UpperAscii(code) ||
                   (AllDigits(code) && std::stol(code) == c.ClientID);
        });
        if (it == clients.end()) {
            shell.Error(GetMLText("Unknown workstation") + ": " + code);
            return std::nullopt;
        }
        ids.push_back(it->ClientID);
    }
    return ids;
}

void Send(Shell& shell, const std::vector<std::string>& args) {
    // The text is the rest of the line as typed: quotes and blanks stay.
    const std::string text = Shell::TextAfterWords(shell.Line(), 3);
    if (args.size() < 2 || text.empty()) {
        shell.Error(GetMLText("Usage") + ": " + kSendUsage);
        return;
    }
    InstantMsgs* im = SessionIM(shell);
    if (im == nullptr) return;
    int32_t id = 0;
    bool announced = false;
    if (LowerAscii(args[0]) == "all") {
        announced = im->SendInstantMsg4All(im->DBServerID(), text, &id);
    } else {
        const std::optional<std::vector<int32_t>> to = Recipients(shell, *im, args[0]);
        if (!to) return;
        if (to->empty()) {
            shell.Error(GetMLText("Please select workstations"));
            return;
        }
        announced = im->SendInstantMsg(im->DBServerID(), text, *to, &id);
    }
    if (id <= 0) {
        shell.Error(GetMLText("Cannot send the message") + ": " + im->ErrDescription());
        return;
    }
    shell.Out("sent\t" + std::to_string(id));
    if (!announced)
        shell.Error(GetMLText("The message was saved but not announced") + ": " +
                    im->ErrDescription());
}

void List(Shell& shell, const std::vector<std::string>& args) {
    if (args.size() > 1) {
        shell.Error(GetMLText("Usage") + ": im list [DATE]");
        return;
    }
    const std::optional<DateTime> day = args.empty()
                                            ? std::optional<DateTime>(DateTime::Now().DatePart())
                                            : ParseDay(shell, args[0]);
    if (!day) return;
    InstantMsgs* im = SessionIM(shell);
    if (im == nullptr) return;
    std::vector<InstantMsg> msgs;
    if (!im->GetMsgs(*day, msgs)) {
        shell.Error(GetMLText("Cannot read the messages") + ": " + im->ErrDescription());
        return;
    }
    const std::map<int32_t, std::string> codes = im->ClientCodes();
    shell.BeginTable(TableLayout({"ID", "From", "Sent", "Text"}).Skip(1));
    for (const InstantMsg& m : msgs)
        shell.Out("message\t" + std::to_string(m.InstantMsgID()) + "\t" +
                  SenderCode(codes, m.ClientID()) + "\t" + m.SendDT().ToText() + "\t" +
                  OneLineText(m.MsgText()));
}

}  // namespace

void ShowArrivingMessages(KIV& hub) {
    InstantMsgs* im = &hub.IM();
    hub.OnIMMessageArrival([im](const InstantMsg& m) {
        // Straight to the terminal: a list being held for people must not
        // swallow it.
        UI().Print("message\t" + SenderCode(im->ClientCodes(), m.ClientID()) + "\t" +
                   m.SendDT().ToText() + "\t" + OneLineText(m.MsgText()));
    });
}

void AddIMCommands(Shell& shell) {
    shell.Add({"clients", "clients",
               "List the other workstations messages can go to: ID, code, name", Clients});
    shell.Add({"im send", kSendUsage,
               "Send a message to workstations (codes or IDs) or to all; TEXT is the rest of the "
               "line as typed. Prints: sent, the message ID",
               Send});
    shell.Add({"im list", "im list [DATE]",
               "List the messages to and from this workstation since DATE (default today), newest "
               "first: message, ID, sender code, send time, text",
               List});
}
