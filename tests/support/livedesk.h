#pragma once
// A workstation program of a test installation, signed in and driven line by
// line as a person at the desk would, and readers of its tab-separated output.
#include <string>
#include <vector>

#include "support/installation.h"
#include "support/liveprogram.h"

class LiveDesk {
  public:
    static constexpr const char* kPrompt = "CulinaroTable> ";

    // Starts as `computer` and signs in as the demo's administrator.
    LiveDesk(const TestInstallation& inst, const std::string& computer);
    // The same on any installation root (a desk made by `join`, for one).
    LiveDesk(const std::string& root, const std::string& computer);
    bool SignedIn() const { return signedIn_; }
    LiveProgram& Program() { return program_; }

    // Runs a command, answering its questions with `answers`; its output up
    // to the next prompt.
    std::string Run(const std::string& line, const std::vector<std::string>& answers = {});
    // Waits for a line starting with `prefix` printed after `from`; the whole
    // line, or "" when none came.
    std::string Line(const std::string& prefix, std::size_t from = 0, int ms = 8000);
    std::size_t Mark() const { return program_.Output().size(); }

  private:
    LiveProgram program_;
    bool signedIn_ = false;
};

// The line of `kind` whose second field is `key`; "" when none.
std::string FindRecord(const std::string& output, const std::string& kind, const std::string& key);
// Field `n` (from 0) of a tab-separated line.
std::string FieldOf(const std::string& line, int n);
