#pragma once
// The console shell: after start-up it signs a user in, then reads one
// command per line and prints stable, one-record-per-line output. Every
// capability registers its commands here.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/tableprint.h"

class KIV;
class Shell;

struct ShellCommand {
    std::string name;   // one or more words: "quit", "resv list"
    std::string usage;  // "resv list OUTLET DATE [PERIOD]"
    std::string help;   // one line
    std::function<void(Shell& shell, const std::vector<std::string>& args)> run;
};

class Shell {
  public:
    Shell();
    ~Shell();

    void Add(ShellCommand command);
    // Sign-in, then commands until quit or end of input; the exit status.
    int Run();
    // Asks for login name, password and operation mode until a sign-in
    // succeeds (true) or the input ends (false).
    bool SignInLoop();
    // Runs one command line.
    void Execute(const std::string& line);

    void Quit() { quit_ = true; }
    bool QuitRequested() const { return quit_; }
    // After a sign-in made outside SignInLoop (the desk's dialog): keeps the
    // mode and opens the hub with its servers and views, once.
    void StartSession(int mode);
    // Writes the user-action row and the sign-out audit row.
    void EndSession(const std::string& method);
    int OperationMode() const { return mode_; }
    // Prints one line of output / an error line.
    void Out(const std::string& text);
    void Error(const std::string& text);
    // A list command declares the columns of the records it prints next.
    // When a person reads the output (a terminal), the records are held until
    // the command ends (or declares another list, or prints an error) and
    // then shown aligned under the translated header; for scripts nothing
    // changes.
    void BeginTable(TableLayout layout);
    // Whether lists are shown to a person; from the user interface, which
    // tests may override.
    bool ForPeople() const { return forPeople_; }
    void SetForPeople(bool people) { forPeople_ = people; }
    const std::vector<ShellCommand>& Commands() const { return commands_; }
    // The hub of the signed-in session; nullptr before sign-in.
    KIV* Hub() const { return hub_.get(); }

    // Splits a line into words; double quotes group blanks into one word.
    static std::vector<std::string> SplitWords(const std::string& line);
    // The line as typed after its first `words` words (as SplitWords counts
    // them) and the blanks that follow; "" when the line has no more.
    static std::string TextAfterWords(const std::string& line, std::size_t words);
    // The command line being run, as typed.
    const std::string& Line() const { return line_; }

  private:
    const ShellCommand* Find(const std::vector<std::string>& words, std::size_t& used) const;
    bool SessionExpired() const;
    bool ResumeSession();
    // Prints the held records of the declared list, if any.
    void FlushTable();

    std::vector<ShellCommand> commands_;
    int mode_ = 1;
    bool quit_ = false;
    std::chrono::steady_clock::time_point lastActivity_;
    std::unique_ptr<KIV> hub_;
    bool forPeople_ = false;
    std::string line_;
    std::optional<TableLayout> table_;  // the list being printed, for people
    std::vector<std::string> records_;  // its records held so far
};

// Command sets.
void AddUserCommands(Shell& shell);
void AddVenueCommands(Shell& shell);
void AddServerCommands(Shell& shell);
void AddResvCommands(Shell& shell);
void AddGuestCommands(Shell& shell);
void AddViewCommands(Shell& shell);
void AddOpsCommands(Shell& shell);
void AddGuestCSVCommands(Shell& shell);
void AddBookCommands(Shell& shell);
void AddStatsCommands(Shell& shell);
void AddIMCommands(Shell& shell);
// Prints each instant message that arrives for this workstation at once,
// even while the prompt waits.
void ShowArrivingMessages(KIV& hub);
void AddMessageCommands(Shell& shell);
void AddPOSCommands(Shell& shell);
void AddWebCommands(Shell& shell);
