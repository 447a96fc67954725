#pragma once
// The text logs: a day log of error, warning and information lines in a month
// folder, a copy of every error line in the error file, and the packet log.
// Writers never throw and never stop the program; each line is appended with
// its own open, one write and close, so two workstation processes sharing a
// log folder cannot interleave or lose lines.
#include <cstdint>
#include <string>

#include "platform/datetime.h"

enum LogType : int { kLogError = 1, kLogWarning = 2, kLogInfo = 4 };

bool WriteLog(const std::string& text, const std::string& module, const std::string& procedure,
              int type = kLogError, int level = 1);
// text & "; SQL=" & sql as an error line.
bool WriteSQLLog(const std::string& text, const std::string& sql, const std::string& module,
                 const std::string& procedure, int level = 1);
// number & ":" & description.
bool WriteErrLog(int64_t number, const std::string& description, const std::string& module,
                 const std::string& procedure, int type = kLogError, int level = 1);
bool LogPacket(const std::string& text);
// Deletes the log files of month folders older than `period` months.
void ArchiveLog(int period);
void ArchiveLogAt(int period, const DateTime& now);
bool CreateFolderPath(const std::string& path);

// The pieces, exposed for the tests and the installation tool.
std::string LogRootFolder();  // program folder & log folder
std::string MonthFolder(const DateTime& now);
std::string DayLogPath(const DateTime& now);
std::string ErrFilePath(const DateTime& now);
std::string PacketLogPath(const DateTime& now);
std::string FormatLogLine(const DateTime& now, int type, const std::string& computer,
                          const std::string& module, const std::string& procedure,
                          const std::string& text);
