#include "core/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "core/config.h"
#include "core/globals.h"
#include "platform/hostinfo.h"
#include "platform/paths.h"
#include "platform/textutil.h"

namespace fs = std::filesystem;

namespace {

char TypeLetter(int type) {
    switch (type) {
        case kLogError:
            return 'E';
        case kLogWarning:
            return 'W';
        case kLogInfo:
            return 'I';
        default:
            return 'U';
    }
}

// Keeps a log entry on one line.
std::string CleanText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '`') {
            out += '\'';
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else if (c == '\r' || c == '\n') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

bool AppendLine(const std::string& path, const std::string& line) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // One write per line: O_APPEND makes it land whole at the end even when
    // another process appends at the same time.
    ssize_t n = ::write(fd, line.data(), line.size());
    ::close(fd);
    return n == static_cast<ssize_t>(line.size());
}

bool EnsureMonthFolder(const DateTime& now) {
    if (g_oConfig == nullptr || g_oConfig->BinPath().empty()) return false;
    std::string folder = MonthFolder(now);
    return FolderExists(folder) || CreateFolderPath(folder);
}

bool EndsWithLogOrErr(const std::string& name) {
    if (name.size() < 3) return false;
    const std::string tail = LowerAscii(name.substr(name.size() - 3));
    return tail == "log" || tail == "err";
}

}  // namespace

std::string LogRootFolder() {
    if (g_oConfig == nullptr) return {};
    return JoinPath(g_oConfig->BinPath(), g_oConfig->LogFolder());
}

std::string MonthFolder(const DateTime& now) {
    return JoinPath(LogRootFolder(), now.Format("yyyymm"));
}

std::string DayLogPath(const DateTime& now) {
    return JoinPath(MonthFolder(now), g_oConfig->AppName() + "_" + now.Format("yyyymmdd") + ".log");
}

std::string ErrFilePath(const DateTime& now) {
    return JoinPath(MonthFolder(now), g_oConfig->AppName() + "_" + now.Format("yyyymmdd") + ".err");
}

std::string PacketLogPath(const DateTime& now) {
    return JoinPath(MonthFolder(now), "Packet_" + now.Format("yyyymmdd") + ".log");
}

std::string FormatLogLine(const DateTime& now, int type, const std::string& computer,
                          const std::string& module, const std::string& procedure,
                          const std::string& text) {
    // The failing line number is 0: C++ has no "current error line".
    return now.Format("yyyy-mm-dd hh:nn:ss") + "," + TypeLetter(type) + "," + computer + ",[" +
           module + ":" + procedure + "]:0:," + CleanText(text) + "\r\n";
}

bool WriteLog(const std::string& text, const std::string& module, const std::string& procedure,
              int type, int level) {
    try {
        if (g_oConfig == nullptr || level > g_oConfig->LogLevel()) return false;
        DateTime now = DateTime::Now();
        if (!EnsureMonthFolder(now)) return false;
        std::string line =
            FormatLogLine(now, type, PlatformComputerName(), module, procedure, text);
        if (!AppendLine(DayLogPath(now), line)) return false;
        if (type == kLogError) AppendLine(ErrFilePath(now), line);
        return true;
    } catch (...) {
        return false;
    }
}

bool WriteSQLLog(const std::string& text, const std::string& sql, const std::string& module,
                 const std::string& procedure, int level) {
    return WriteLog(text + "; SQL=" + sql, module, procedure, kLogError, level);
}

bool WriteErrLog(int64_t number, const std::string& description, const std::string& module,
                 const std::string& procedure, int type, int level) {
    return WriteLog(std::to_string(number) + ":" + description, module, procedure, type, level);
}

bool LogPacket(const std::string& text) {
    try {
        DateTime now = DateTime::Now();
        if (!EnsureMonthFolder(now)) return false;
        return AppendLine(PacketLogPath(now),
                          now.Format("yyyy-mm-dd hh:nn:ss") + "," + text + "\r\n");
    } catch (...) {
        return false;
    }
}

bool CreateFolderPath(const std::string& path) {
    try {
        std::string p = path;
        for (char& c : p)
            if (c == '\\') c = '/';
        if (p.empty()) return false;
        std::error_code ec;
        fs::create_directories(NormalPath(p), ec);
        return FolderExists(NormalPath(p));
    } catch (...) {
        return false;
    }
}

void ArchiveLog(int period) {
    ArchiveLogAt(period, DateTime::Now());
}

void ArchiveLogAt(int period, const DateTime& now) {
    try {
        std::string root = LogRootFolder();
        if (root.empty() || !FolderExists(root)) return;
        if (period > 0) period = -period;
        std::string cutoff = now.AddMonths(period).Format("yyyymm");
        std::vector<fs::path> old;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(root, ec)) {
            if (entry.is_directory(ec) && entry.path().filename().string() < cutoff)
                old.push_back(entry.path());
        }
        for (const fs::path& folder : old) {
            if (!fs::is_directory(folder, ec)) continue;
            for (const auto& f : fs::recursive_directory_iterator(folder, ec)) {
                if (f.is_regular_file(ec) && EndsWithLogOrErr(f.path().filename().string()))
                    fs::remove(f.path(), ec);
            }
        }
    } catch (...) {
        // Purging is housekeeping; a failure must not stop start-up.
    }
}
