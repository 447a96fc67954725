#include "platform/userinterface.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>

#include "platform/eventloop.h"

namespace {
UserInterface* g_current = nullptr;

ConsoleUserInterface& DefaultConsole() {
    static ConsoleUserInterface console(std::cin, std::cout, ::isatty(0) != 0, 0);
    static const bool terminal = [] {
        console.SetOutputTerminal(::isatty(1) != 0);
        return true;
    }();
    (void)terminal;
    return console;
}

// Turns terminal echo off for the lifetime of the object.
class EchoOff {
  public:
    explicit EchoOff(bool active) {
        if (!active || ::tcgetattr(0, &saved_) != 0) return;
        termios t = saved_;
        t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        on_ = ::tcsetattr(0, TCSANOW, &t) == 0;
    }
    ~EchoOff() {
        if (on_) ::tcsetattr(0, TCSANOW, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool Active() const { return on_; }

  private:
    termios saved_{};
    bool on_ = false;
};
// True when `fd` has input, is closed or failed.
bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) != 0;
}

}  // namespace

UserInterface& UI() {
    return g_current != nullptr ? *g_current : DefaultConsole();
}

void SetUserInterface(UserInterface* ui) {
    g_current = ui;
}

ConsoleUserInterface::ConsoleUserInterface(std::istream& in, std::ostream& out, bool interactive,
                                           int inputFd)
    : in_(in), out_(out), interactive_(interactive), inputFd_(inputFd) {}

bool ConsoleUserInterface::NextLine(std::string& line, bool handleEvents) {
    // Lines the stream already holds come first; without a descriptor the
    // stream is all there is.
    if (inputFd_ < 0 || (pending_.empty() && in_.rdbuf()->in_avail() > 0))
        return static_cast<bool>(std::getline(in_, line));
    if (handleEvents) MainLoop().Poll();
    for (;;) {
        std::size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return true;
        }
        if (eof_) {
            if (pending_.empty()) return false;
            line.swap(pending_);
            pending_.clear();
            return true;
        }
        if (handleEvents) {
            // Events run while we wait; a question one of them asks may read
            // ahead into pending_, and its output leaves the prompt to repeat.
            auto ready = [this] {
                return promptBroken_ || pending_.find('\n') != std::string::npos || eof_ ||
                       Readable(inputFd_);
            };
            while (!MainLoop().PumpUntil(ready, 1000, 20)) {
            }
            if (promptBroken_) {
                promptBroken_ = false;
                promptOpen_ = true;
                out_ << openPrompt_ << std::flush;
                continue;
            }
            if (pending_.find('\n') != std::string::npos || eof_) continue;
        }
        char buf[4096];
        ssize_t n = ::read(inputFd_, buf, sizeof buf);
        if (n > 0) {
            pending_.append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            eof_ = true;
        }
    }
}

void ConsoleUserInterface::MessageBox(const std::string& text, MsgIcon icon,
                                      const std::string& title) {
    (void)title;
    BreakPrompt();
    const char* prefix = "";
    if (icon == MsgIcon::Critical) prefix = "[error] ";
    if (icon == MsgIcon::Exclamation) prefix = "[warning] ";
    if (icon == MsgIcon::Information) prefix = "[info] ";
    out_ << prefix << text << std::endl;
}

bool ConsoleUserInterface::AskYesNo(const std::string& text, const std::string& title,
                                    bool defaultYes) {
    (void)title;
    BreakPrompt();
    out_ << text << (defaultYes ? " [Y/n] " : " [y/N] ") << std::flush;
    std::string line;
    if (!NextLine(line, false)) {
        out_ << std::endl;
        return defaultYes;
    }
    if (!interactive_) out_ << line << std::endl;
    if (line.empty()) return defaultYes;
    char c = line[0];
    return c == 'y' || c == 'Y';
}

void ConsoleUserInterface::BreakPrompt() {
    if (!promptOpen_) return;
    out_ << std::endl;
    promptOpen_ = false;
    promptBroken_ = true;
}

void ConsoleUserInterface::SetStatus(const std::string& text) {
    BreakPrompt();
    out_ << text << std::endl;
}

std::optional<std::string> ConsoleUserInterface::ReadLine(const std::string& prompt, bool secret) {
    out_ << prompt << std::flush;
    std::string line;
    bool ok = false;
    {
        EchoOff echo(secret && interactive_);
        openPrompt_ = prompt;
        promptOpen_ = true;
        ok = NextLine(line, true);
        promptOpen_ = promptBroken_ = false;
        if (echo.Active()) out_ << std::endl;
    }
    if (!ok) {
        out_ << std::endl;
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Echo scripted input so a transcript reads like a session; never a secret.
    if (!interactive_) out_ << (secret ? std::string() : line) << std::endl;
    return line;
}

void ConsoleUserInterface::Print(const std::string& text) {
    BreakPrompt();
    out_ << text << std::endl;
}

void ScriptedUserInterface::MessageBox(const std::string& text, MsgIcon icon,
                                       const std::string& title) {
    entries_.push_back({"message", text, icon, title});
}

bool ScriptedUserInterface::AskYesNo(const std::string& text, const std::string& title,
                                     bool defaultYes) {
    entries_.push_back({"question", text, MsgIcon::Question, title});
    if (answers_.empty()) return defaultYes;
    bool a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScriptedUserInterface::SetStatus(const std::string& text) {
    entries_.push_back({"status", text, MsgIcon::None, ""});
}

std::optional<std::string> ScriptedUserInterface::ReadLine(const std::string& prompt, bool secret) {
    (void)secret;
    entries_.push_back({"prompt", prompt, MsgIcon::None, ""});
    if (lines_.empty()) return std::nullopt;
    std::string l = lines_.front();
    lines_.pop_front();
    return l;
}

void ScriptedUserInterface::Print(const std::string& text) {
    entries_.push_back({"print", text, MsgIcon::None, ""});
}

std::vector<std::string> ScriptedUserInterface::Texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const Entry& e : entries_)
        if (e.kind == kind) out.push_back(e.text);
    return out;
}

std::string ScriptedUserInterface::Transcript() const {
    std::string out;
    for (const Entry& e : entries_) {
        if (e.kind == "message" || e.kind == "print" || e.kind == "question") out += e.text + "\n";
    }
    return out;
}

bool ScriptedUserInterface::Shown(const std::string& text) const {
    for (const Entry& e : entries_)
        if (e.kind != "prompt" && e.text == text) return true;
    return false;
}

ScopedUserInterface::ScopedUserInterface(UserInterface& ui) : previous_(g_current) {
    SetUserInterface(&ui);
}

ScopedUserInterface::~ScopedUserInterface() {
    SetUserInterface(previous_);
}
