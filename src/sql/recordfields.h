#pragma once
// Shared pieces of the record classes and their collections: the check of a
// query's result, the row check every reader starts with, and texts kept in
// three languages.
#include <array>
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "core/log.h"
#include "sql/sqldb.h"

// True when the query returned a recordset; otherwise the database's failure
// goes into `err` (as cls ":" procedure ":" its description) and, with the
// statement, to the log.
inline bool CheckQuery(ErrorState& err, const SQLDB& db, const Recordset* rs,
                       const std::string& sql, const std::string& cls,
                       const std::string& procedure) {
    if (rs != nullptr) return true;
    err.SetErr(db.ErrNumber(), cls, procedure, db.ErrDescription());
    WriteSQLLog(db.ErrDescription(), sql, cls, procedure);
    return false;
}

// How a record class writes a missing row to the log.
enum class RowLog {
    kNone,      // not at all
    kText,      // the message text
    kNumbered,  // number ":" description
};

// False (with 9015 or 9018 set and logged as `log` says) when there is no
// current row. `eofText` is the class's wording of the end-of-recordset message.
inline bool HasCurrentRow(ErrorState& err, const Recordset* rs, const char* cls,
                          const char* eofText, RowLog log = RowLog::kNumbered,
                          const char* procedure = "AddFromRS") {
    if (rs != nullptr && !rs->Eof()) return true;
    const int32_t number = rs == nullptr ? kErrRSNothing : kErrRSEOF;
    const char* text = rs == nullptr ? "oRS is nothing" : eofText;
    err.SetErr(number, cls, procedure, text);
    if (log == RowLog::kText) WriteLog(text, cls, procedure);
    if (log == RowLog::kNumbered) WriteErrLog(number, err.ErrDescription(), cls, procedure);
    return false;
}

// A small-integer column.
inline int16_t FieldShort(const Recordset* rs, const std::string& field) {
    return static_cast<int16_t>(FieldLng(rs, field));
}

// A name, description or address in languages 1 to 3.
class LangText {
  public:
    // Reads prefix + "L1" .. "L3".
    void Read(const Recordset* rs, const std::string& prefix) {
        for (std::size_t i = 0; i < 3; ++i)
            texts_[i] = FieldStr(rs, prefix + "L" + std::to_string(i + 1));
    }
    // The text shown in a language: English (L1) when that language's text is
    // blank, so a name is never shown empty for want of a translation; "" for
    // a language outside 1..3.
    std::string In(int language) const {
        if (language < 1 || language > 3) return {};
        const std::string& text = texts_[static_cast<std::size_t>(language - 1)];
        return text.find_first_not_of(" \t") == std::string::npos ? texts_[0] : text;
    }
    const std::string& L1() const { return texts_[0]; }
    const std::string& L2() const { return texts_[1]; }
    const std::string& L3() const { return texts_[2]; }

  private:
    std::array<std::string, 3> texts_;
};
