#pragma once
// The relay server's log: one line per event, with a time stamp and a level,
// to a file or to standard error; for the journal (a service's standard
// error), without the time stamp and with the syslog priority in front
// ("<6>INFO ..."), which the journal keeps as the line's priority. Verbosity 0 keeps errors only, 1
// (the default) adds connections and dropped packets, 2 every packet's type, 3 every packet's text.
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

namespace kivsrv {

enum LogLevel : int { kLogErrors = 0, kLogEvents = 1, kLogPackets = 2, kLogPacketText = 3 };

class ServerLog {
  public:
    ServerLog() = default;
    ~ServerLog();
    ServerLog(const ServerLog&) = delete;
    ServerLog& operator=(const ServerLog&) = delete;

    // Appends to `path`; standard error when empty; the journal format on
    // standard error for "journal". False when the file cannot be opened.
    bool Open(const std::string& path);
    bool Journal() const { return journal_; }
    void SetVerbosity(int verbosity) { verbosity_ = verbosity; }
    bool Enabled(int level) const { return level <= verbosity_; }
    void Write(int level, const std::string& text);

  private:
    std::FILE* file_ = nullptr;
    bool own_ = false;
    bool journal_ = false;
    int verbosity_ = kLogEvents;
};

// True when standard error is the journal's stream: systemd names it in
// JOURNAL_STREAM as "DEVICE:INODE" for a service's standard output and error.
bool StderrIsJournal();

// Keeps one source (a connection) from flooding the log with the same kind
// of line: per kind, the first `burst` lines of a window are written; the
// rest are counted (their text is never built) and summed up as
// "<last line written> … and N more like it" when the window has passed and
// that kind comes again, or at Flush.
class RepeatLimiter {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kBurst = 5;
    static constexpr std::chrono::seconds kWindow{10};

    // `makeText()` gives the line; it is called only for lines written.
    template <typename MakeText>
    void Write(ServerLog& log, int level, const char* kind, MakeText&& makeText,
               Clock::time_point now = Clock::now()) {
        if (Allow(log, level, kind, now)) {
            Kind& k = kinds_[kind];
            k.last = makeText();
            log.Write(level, k.last);
        }
    }
    // Writes the summaries still owed (the source is going away).
    void Flush(ServerLog& log);

  private:
    struct Kind {
        Clock::time_point start;
        int written = 0;
        long held = 0;
        int level = 0;
        std::string last;
    };
    // True when a line of `kind` may be written now; counts it otherwise.
    bool Allow(ServerLog& log, int level, const char* kind, Clock::time_point now);
    static void Summarize(ServerLog& log, Kind& k);

    std::map<std::string, Kind> kinds_;
};

}  // namespace kivsrv
