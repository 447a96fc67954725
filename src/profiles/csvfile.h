#pragma once
// CSV: reads and writes the comma-separated files guest profiles are
// exchanged in. Reading writes the description "schema.ini" beside the file
// first (one section per file: its format, character set and every column
// as long text), then yields every value as text. Writing puts the field
// names on the first line and one row per line.
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "profiles/csvcharset.h"
#include "profiles/csvreader.h"

class Recordset;

// A file as read: its column names and every record after the first line.
struct CSVTable {
    std::vector<std::string> Columns;  // trimmed, double quotes removed
    std::vector<CSVRecord> Records;    // well formed or not, each with its line
};

class CSV : public ErrorState {
  public:
    // Reads the file at `path` in `charset` into `out`. The description goes
    // into `folder` (the file's own folder when empty); a description that
    // cannot be written is logged and the file is still read. False, with
    // Message(), when the file cannot be read, is not text in that
    // character set, or has no field line.
    bool LoadCSV(const std::string& path, const std::string& folder, CSVCharset charset,
                 CSVTable& out);
    // Writes the field names and one line per row of `rs` (from its first
    // row) to `path`, UTF-8; `formats` holds per column "YYYY-MM-DD",
    // "YYYY-MM-DD HH:NN:SS", "HH:NN:SS" or "" (as stored). The file appears
    // whole or not at all. `count` gets the rows written.
    bool SaveCSVFile(const std::string& path, Recordset& rs,
                     const std::vector<std::string>& fieldNames,
                     const std::vector<std::string>& formats, int& count);

    // Replaces the section of `fileName` in `folder`/schema.ini, keeping the
    // sections of other files.
    static bool WriteSchemaIni(const std::string& folder, const std::string& fileName,
                               const std::vector<std::string>& columns, CSVCharset charset,
                               std::string& error);
    // The text a value is written as under `format`: dates on or before
    // 1900-01-01 and the time 00:00:00 give "" (no date).
    static std::string FormatDate(const DateTime& value, const std::string& format);

    // The last refusal in English ("Missing field line in file ..."); "" when none.
    const std::string& Message() const { return message_; }

  private:
    bool Fail(const std::string& procedure, const std::string& message);

    std::string message_;
};
