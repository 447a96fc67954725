#include "kivserver/serverlog.h"

#include <chrono>
#include <ctime>

namespace kivsrv {

ServerLog::~ServerLog() {
    if (own_ && file_ != nullptr) std::fclose(file_);
}

bool ServerLog::Open(const std::string& path) {
    if (path.empty()) {
        file_ = stderr;
        return true;
    }
    file_ = std::fopen(path.c_str(), "a");
    own_ = file_ != nullptr;
    return own_;
}

void ServerLog::Write(int level, const std::string& text) {
    if (!Enabled(level)) return;
    std::FILE* out = file_ != nullptr ? file_ : stderr;
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    static const char* const kNames[] = {"ERROR", "INFO", "PACKET", "TEXT"};
    const char* name = level >= 0 && level <= 3 ? kNames[level] : "INFO";
    // One fprintf per line and a flush, so a reader of the file (or a test)
    // sees whole lines as they happen.
    std::fprintf(out, "%s.%03d %s %s\n", stamp, static_cast<int>(ms), name, text.c_str());
    std::fflush(out);
}

void RepeatLimiter::Summarize(ServerLog& log, Kind& k) {
    if (k.held > 0)
        log.Write(k.level, k.last + " \u2026 and " + std::to_string(k.held) + " more like it");
    k.held = 0;
}

bool RepeatLimiter::Allow(ServerLog& log, int level, const char* kind, Clock::time_point now) {
    if (!log.Enabled(level)) return false;
    auto [it, fresh] = kinds_.try_emplace(kind);
    Kind& k = it->second;
    if (fresh || now - k.start >= kWindow) {
        Summarize(log, k);
        k.start = now;
        k.written = 0;
    }
    k.level = level;
    if (k.written < kBurst) {
        ++k.written;
        return true;
    }
    ++k.held;
    return false;
}

void RepeatLimiter::Flush(ServerLog& log) {
    for (auto& [kind, k] : kinds_)
        Summarize(log, k);
}

}  // namespace kivsrv
