#pragma once
// One workstation program of an installation root, signed in as the
// administrator and driven line by line, for the tests where workstations
// see each other's changes.
#include <string>
#include <vector>

#include "support/liveprogram.h"
#include "support/process_run.h"

inline constexpr const char* kDeskPrompt = "CulinaroTable> ";

// One workstation program, signed in, driven line by line.
class Desk {
  public:
    Desk(const std::string& root, const std::string& computer)
        : program_(ProgramPath("culinarotable"), {"--root", root}, {{"COMPUTERNAME", computer}}) {
        for (const char* line : {"admin", "admin123", "2"})
            program_.Send(line);
        signedIn_ = program_.WaitFor(kDeskPrompt, 20000) != std::string::npos;
    }
    bool SignedIn() const { return signedIn_; }
    LiveProgram& Program() { return program_; }

    // Runs a command, answering its questions with `answers`; its output up
    // to the next prompt.
    std::string Run(const std::string& line, const std::vector<std::string>& answers = {}) {
        const std::size_t mark = program_.Output().size();
        program_.Send(line);
        for (const std::string& a : answers)
            program_.Send(a);
        const std::size_t echoed = program_.WaitFor(line + "\n", 10000, mark);
        if (echoed == std::string::npos) return "";
        const std::size_t end = program_.WaitFor(kDeskPrompt, 10000, echoed);
        if (end == std::string::npos) return program_.Output().substr(echoed);
        return program_.Output().substr(echoed, end - std::string(kDeskPrompt).size() - echoed);
    }
    // Waits for a line starting with `prefix` printed after `from`; the whole
    // line, or "" when none came.
    std::string Line(const std::string& prefix, std::size_t from = 0, int ms = 8000) {
        const std::size_t at = program_.WaitFor(prefix, ms, from);
        if (at == std::string::npos) return "";
        const std::size_t start = at - prefix.size();
        const std::size_t nl = program_.WaitFor("\n", 2000, start);
        return program_.Output().substr(start, (nl == std::string::npos ? at : nl - 1) - start);
    }
    std::size_t Mark() const { return program_.Output().size(); }

  private:
    LiveProgram program_;
    bool signedIn_ = false;
};
