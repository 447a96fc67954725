#include "kivserver/serverlog.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace kivsrv {

ServerLog::~ServerLog() {
    if (own_ && file_ != nullptr) std::fclose(file_);
}

bool StderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat st {};
    if (stream == nullptr || fstat(STDERR_FILENO, &st) != 0) return false;
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) == stream;
}

bool ServerLog::Open(const std::string& path) {
    if (path.empty() || path == "journal") {
        file_ = stderr;
        journal_ = path == "journal";
        return true;
    }
    file_ = std::fopen(path.c_str(), "a");
    own_ = file_ != nullptr;
    return own_;
}

void ServerLog::Write(int level, const std::string& text) {
    if (!Enabled(level)) return;
    std::FILE* out = file_ != nullptr ? file_ : stderr;
    static const char* const kNames[] = {"ERROR", "INFO", "PACKET", "TEXT"};
    const char* name = level >= 0 && level <= 3 ? kNames[level] : "INFO";
    if (journal_) {
        // The journal stamps each line itself; err, info, debug, debug.
        static const int kPriority[] = {3, 6, 7, 7};
        std::fprintf(out, "<%d>%s %s\n", level >= 0 && level <= 3 ? kPriority[level] : 6, name,
                     text.c_str());
        std::fflush(out);
        return;
    }
    auto now = std::chrono::system_clock::now();
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
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
