#pragma once
// One of the project's programs running beside the test: lines are written
// to its input as the test goes, and its output is waited for piece by piece.
#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

class LiveProgram {
  public:
    LiveProgram(const std::string& program, const std::vector<std::string>& args,
                const std::map<std::string, std::string>& env = {});
    ~LiveProgram();  // ends the input, then waits a little and kills
    LiveProgram(const LiveProgram&) = delete;
    LiveProgram& operator=(const LiveProgram&) = delete;

    bool Running() const { return pid_ > 0; }
    bool Send(const std::string& line);  // a line feed is added
    // Reads output until `text` appears after `from` (an offset into the
    // output) or `ms` pass; the offset just past it, or npos.
    std::size_t WaitFor(const std::string& text, int ms = 5000, std::size_t from = 0);
    // Reads whatever arrives within `ms`.
    void Drain(int ms);
    const std::string& Output() const { return output_; }
    // Closes the input and waits for the exit; the exit code, or -1.
    int Finish(int ms = 10000);

  private:
    bool ReadSome(int ms);

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string output_;
};
