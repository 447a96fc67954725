#pragma once
// The relay server's log: one line per event, with a time stamp and a level,
// to a file or to standard error. Verbosity 0 keeps errors only, 1 (the
// default) adds connections and dropped packets, 2 every packet's type,
// 3 every packet's text.
#include <cstdio>
#include <string>

namespace kivsrv {

enum LogLevel : int { kLogErrors = 0, kLogEvents = 1, kLogPackets = 2, kLogPacketText = 3 };

class ServerLog {
  public:
    ServerLog() = default;
    ~ServerLog();
    ServerLog(const ServerLog&) = delete;
    ServerLog& operator=(const ServerLog&) = delete;

    // Appends to `path`; standard error when empty. False when the file
    // cannot be opened.
    bool Open(const std::string& path);
    void SetVerbosity(int verbosity) { verbosity_ = verbosity; }
    bool Enabled(int level) const { return level <= verbosity_; }
    void Write(int level, const std::string& text);

  private:
    std::FILE* file_ = nullptr;
    bool own_ = false;
    int verbosity_ = kLogEvents;
};

}  // namespace kivsrv
