#pragma once
// A small interpreter for the VBScript subset of list conditions and the
// aggregate statement templates: expressions, assignment, If/ElseIf/Else,
// While/Wend, Dim, calls of host objects and a few built-in functions.
//
// Host objects are added by name; objects added with global members make
// their members callable without the object name (Var("x") for
// VarList.Var("x")). Every run is bounded by a time-out and a step limit; a
// failure of any kind (syntax, type, runaway loop, memory) ends the run with
// ErrNumber/ErrMessage set, never with an exception.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "messaging/vbscriptvalue.h"

class VBScriptEngine {
  public:
    static constexpr int64_t kDefaultTimeoutMs = 500000;
    static constexpr int64_t kDefaultStepLimit = 50'000'000;
    // The longest text a script may build (1 << 24 bytes), and the total of
    // texts a run may build or store (1 << 28 bytes): a loop that keeps
    // copying a long text ends with "Out of memory" instead of exhausting it.
    static constexpr std::size_t kMaxTextLength = std::size_t{1} << 24;
    static constexpr int64_t kTextBudget = int64_t{1} << 28;

    VBScriptEngine();
    ~VBScriptEngine();
    VBScriptEngine(const VBScriptEngine&) = delete;
    VBScriptEngine& operator=(const VBScriptEngine&) = delete;

    void AddObject(const std::string& name, std::shared_ptr<VBObject> object, bool globalMembers);
    // Bounds for everything the engine runs from now on.
    void SetTimeout(int64_t milliseconds);
    void SetStepLimit(int64_t steps);

    bool Execute(std::string_view statements);
    bool Eval(std::string_view expression, VBValue& out);
    // Parses an expression once for repeated evaluation; -1 on a syntax error.
    int Compile(std::string_view expression);
    bool Run(int compiled, VBValue& out);

    // A script variable after a run (Empty when it was never assigned).
    VBValue Variable(std::string_view name) const;

    int32_t ErrNumber() const;
    const std::string& ErrMessage() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
