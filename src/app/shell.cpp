#include "app/shell.h"

#include "app/servercommands.h"
#include "core/config.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "core/userlog.h"
#include "messaging/kiv.h"
#include "platform/inifile.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "users/resignin.h"
#include "users/signin.h"
#include "users/user.h"

namespace {

std::string ClientIni() {
    return g_oConfig != nullptr ? g_oConfig->ClientIniPath() : "";
}

// The operation mode typed at sign-in: 1 or 2; empty takes the last one.
int ReadMode(bool& ok) {
    int last = GetPrivateProfileInt("KIVCnt", "Operation", 1, ClientIni());
    if (last != 1 && last != 2) last = 1;
    std::string prompt = GetMLText("Operation mode") + " (1 " + GetMLText(OperationModeName(1)) +
                         ", 2 " + GetMLText(OperationModeName(2)) + ") [" + std::to_string(last) +
                         "]: ";
    for (;;) {
        auto line = UI().ReadLine(prompt, false);
        if (!line) {
            ok = false;
            return last;
        }
        if (line->empty()) return last;
        if (*line == "1" || *line == "2") return std::stoi(*line);
        UI().Print(GetMLText("Please choose 1 or 2"));
    }
}

}  // namespace

Shell::Shell() {
    lastActivity_ = std::chrono::steady_clock::now();
    forPeople_ = UI().OutputIsTerminal();
    AddUserCommands(*this);
    AddVenueCommands(*this);
    AddServerCommands(*this);
    AddResvCommands(*this);
    AddGuestCommands(*this);
    AddViewCommands(*this);
    AddOpsCommands(*this);
    AddGuestCSVCommands(*this);
    AddBookCommands(*this);
    AddStatsCommands(*this);
    AddIMCommands(*this);
    AddMessageCommands(*this);
    AddPOSCommands(*this);
    AddWebCommands(*this);
}

Shell::~Shell() = default;

void Shell::Add(ShellCommand command) {
    commands_.push_back(std::move(command));
}

void Shell::Out(const std::string& text) {
    if (table_) {
        records_.push_back(text);
        return;
    }
    UI().Print(text);
}

void Shell::Error(const std::string& text) {
    // What was held comes first, so the error stands where it happened;
    // later records of the same list get the header again.
    FlushTable();
    UI().Print(text);
}

void Shell::BeginTable(TableLayout layout) {
    FlushTable();
    if (forPeople_) table_ = std::move(layout);
}

void Shell::FlushTable() {
    if (!table_ || records_.empty()) return;
    std::vector<std::string> header;
    for (const std::string& caption : table_->Columns())
        header.push_back(GetMLText(caption));
    for (const std::string& line : AlignTable(*table_, header, records_))
        UI().Print(line);
    records_.clear();
}

std::vector<std::string> Shell::SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string current;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) words.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
            any = true;
        }
    }
    if (any) words.push_back(current);
    return words;
}

std::string Shell::TextAfterWords(const std::string& line, std::size_t words) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t at = 0;
    for (std::size_t w = 0; w <= words; ++w) {
        while (at < line.size() && blank(line[at]))
            ++at;
        if (w == words || at == line.size()) break;
        bool quoted = false;
        for (; at < line.size() && (quoted || !blank(line[at])); ++at)
            if (line[at] == '"') quoted = !quoted;
    }
    return line.substr(at);
}

bool Shell::SignInLoop() {
    std::string iniUser = GetPrivateProfileString("KIVCnt", "UserName", "", ClientIni());
    std::string iniPassword = GetPrivateProfileString("KIVCnt", "Password", "", ClientIni());
    for (;;) {
        std::string prompt =
            GetMLText("Login name") + (iniUser.empty() ? "" : " [" + iniUser + "]") + ": ";
        auto login = UI().ReadLine(prompt, false);
        if (!login) return false;
        // Asking for a password and a mode first would only delay the refusal.
        if (Trim(*login, " \t").empty() && iniUser.empty()) {
            Error(GetMLText("ERROR: User name missing"));
            continue;
        }
        auto password = UI().ReadLine(GetMLText("Password") + ": ", true);
        if (!password) return false;
        bool ok = true;
        int mode = ReadMode(ok);
        if (!ok) return false;
        std::string name = login->empty() ? iniUser : *login;
        std::string pwd = password->empty() && login->empty() ? iniPassword : *password;
        SignIn signIn;
        if (signIn.CheckLogin(name, pwd, mode)) {
            mode_ = mode;
            lastActivity_ = std::chrono::steady_clock::now();
            Out(GetMLText("Signed in as") + " " + g_oUser->LoginID() + " (" +
                GetMLText(OperationModeName(mode)) + ")");
            return true;
        }
        Error(signIn.ErrorLabel());
    }
}

const ShellCommand* Shell::Find(const std::vector<std::string>& words, std::size_t& used) const {
    const ShellCommand* best = nullptr;
    for (const ShellCommand& c : commands_) {
        std::vector<std::string> parts = SplitWords(c.name);
        if (parts.size() > words.size() || (best != nullptr && parts.size() <= used)) continue;
        bool match = true;
        for (std::size_t i = 0; i < parts.size() && match; ++i)
            match = parts[i] == words[i];
        if (match) {
            best = &c;
            used = parts.size();
        }
    }
    return best;
}

void Shell::Execute(const std::string& line) {
    line_ = line;
    std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return;
    std::size_t used = 0;
    const ShellCommand* cmd = Find(words, used);
    if (cmd == nullptr) {
        Error(GetMLText("Unknown command") + ": " + words[0] + " (" + GetMLText("type help") + ")");
        return;
    }
    cmd->run(*this, std::vector<std::string>(words.begin() + static_cast<long>(used), words.end()));
    FlushTable();
    table_.reset();
}

bool Shell::SessionExpired() const {
    if (g_oUser == nullptr || g_oUser->SessionTimeout() <= 0) return false;
    auto idle = std::chrono::steady_clock::now() - lastActivity_;
    return idle > std::chrono::minutes(g_oUser->SessionTimeout());
}

// After a time-out the signed-in user must give the password again.
bool Shell::ResumeSession() {
    Out(GetMLText("Session expired") + ": " + GetMLText("Re-enter user name & password"));
    for (;;) {
        auto login = UI().ReadLine(GetMLText("Login name") + ": ", false);
        if (!login) return false;
        if (Trim(*login, " \t").empty()) {
            Error(GetMLText("ERROR: User name missing"));
            continue;
        }
        auto password = UI().ReadLine(GetMLText("Password") + ": ", true);
        if (!password) return false;
        ReSignIn window;
        int32_t userID = 0;
        if (!window.Check(*login, *password, 0, userID)) {
            Error(window.ErrorLabel());
            continue;
        }
        if (userID == g_oUser->UserID()) return true;
        Error(GetMLText("Please sign in as the same user, or use relogin"));
    }
}

void Shell::EndSession(const std::string& method) {
    WriteUserLog(kUserLogGeneral, "User quits program");
    LogInOutSignOut(method);
}

void Shell::StartSession(int mode) {
    mode_ = mode;
    lastActivity_ = std::chrono::steady_clock::now();
    if (hub_ != nullptr) return;
    hub_ = OpenHub();
    if (hub_ != nullptr) ShowArrivingMessages(*hub_);
}

int Shell::Run() {
    if (!SignInLoop()) return 0;
    StartSession(mode_);
    while (!quit_) {
        auto line = UI().ReadLine("CulinaroTable> ", false);
        if (!line) {
            EndSession("N");
            break;
        }
        if (SessionExpired() && !ResumeSession()) {
            EndSession("F");
            break;
        }
        lastActivity_ = std::chrono::steady_clock::now();
        Execute(*line);
    }
    hub_.reset();  // disconnects every server
    return 0;
}
