#pragma once
// Every message box, question, status text and line of input goes through
// this interface. The console front end implements it on the terminal; tests
// use ScriptedUserInterface. Core code never reads stdin itself.
#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// Icon codes of the platform's message boxes.
enum class MsgIcon { None = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };

class UserInterface {
  public:
    virtual ~UserInterface() = default;
    virtual void MessageBox(const std::string& text, MsgIcon icon, const std::string& title) = 0;
    virtual bool AskYesNo(const std::string& text, const std::string& title, bool defaultYes) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // One line typed by the user; nullopt at end of input. `secret` input is
    // not echoed on a terminal.
    virtual std::optional<std::string> ReadLine(const std::string& prompt, bool secret) = 0;
    // A line of ordinary output (command results).
    virtual void Print(const std::string& text) = 0;
    // True when a person reads the output on a terminal (lists are then
    // aligned under a header); false for scripts and pipes.
    virtual bool OutputIsTerminal() const { return false; }
};

// The interface in use; a console on stdin/stdout until another is set.
UserInterface& UI();
// Installs `ui` (not owned); nullptr restores the default console.
void SetUserInterface(UserInterface* ui);

// Terminal front end. When input is not a terminal, questions take their
// answer from the next input line, so a script can drive the program.
// With `inputFd` (the descriptor behind `in`), ReadLine keeps handling the
// main event loop's events (socket packets) while it waits for a line.
class ConsoleUserInterface : public UserInterface {
  public:
    ConsoleUserInterface(std::istream& in, std::ostream& out, bool interactive, int inputFd = -1);
    void MessageBox(const std::string& text, MsgIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title, bool defaultYes) override;
    void SetStatus(const std::string& text) override;
    std::optional<std::string> ReadLine(const std::string& prompt, bool secret) override;
    void Print(const std::string& text) override;
    bool OutputIsTerminal() const override { return outputTerminal_; }
    void SetOutputTerminal(bool terminal) { outputTerminal_ = terminal; }

  private:
    // The next input line without its line feed; false at end of input.
    bool NextLine(std::string& line, bool handleEvents);
    // Output while ReadLine waits starts on a new line; the prompt repeats.
    void BreakPrompt();

    std::istream& in_;
    std::ostream& out_;
    bool interactive_;
    int inputFd_;
    std::string pending_;  // read from inputFd_, not yet returned
    bool eof_ = false;
    std::string openPrompt_;
    bool promptOpen_ = false;    // ReadLine's prompt stands, waiting for input
    bool promptBroken_ = false;  // something was printed under it meanwhile
    bool outputTerminal_ = false;
};

// Records what was shown and answers from queues; for tests.
class ScriptedUserInterface : public UserInterface {
  public:
    struct Entry {
        std::string kind;  // "message", "question", "status", "prompt", "print"
        std::string text;
        MsgIcon icon = MsgIcon::None;
        std::string title;
    };

    void MessageBox(const std::string& text, MsgIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title, bool defaultYes) override;
    void SetStatus(const std::string& text) override;
    std::optional<std::string> ReadLine(const std::string& prompt, bool secret) override;
    void Print(const std::string& text) override;

    bool OutputIsTerminal() const override { return outputTerminal_; }
    void SetOutputTerminal(bool terminal) { outputTerminal_ = terminal; }

    void QueueAnswer(bool yes) { answers_.push_back(yes); }
    void QueueLine(const std::string& line) { lines_.push_back(line); }

    const std::vector<Entry>& Entries() const { return entries_; }
    std::vector<std::string> Texts(const std::string& kind) const;
    // All message and print texts, one per line.
    std::string Transcript() const;
    bool Shown(const std::string& text) const;
    void Clear() { entries_.clear(); }

  private:
    std::vector<Entry> entries_;
    std::deque<bool> answers_;
    std::deque<std::string> lines_;
    bool outputTerminal_ = false;
};

// Installs a UI for the lifetime of a scope (tests, nested front ends).
class ScopedUserInterface {
  public:
    explicit ScopedUserInterface(UserInterface& ui);
    ~ScopedUserInterface();
    ScopedUserInterface(const ScopedUserInterface&) = delete;
    ScopedUserInterface& operator=(const ScopedUserInterface&) = delete;

  private:
    UserInterface* previous_;
};
