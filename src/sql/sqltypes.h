#pragma once
// Value types as the T-SQL layer reasons about them (declared column types,
// variable types, the types of expressions), the ADO codes they report, and
// the text forms date-times are stored, parsed and converted in.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/datetime.h"

enum class SqlType : uint8_t {
    Unknown,  // decided at run time
    Null,     // the NULL literal
    Bit,
    Int,
    BigInt,
    Float,
    Money,
    Text,
    Date,
    Time,
    DateTime,
    Binary,
};

struct TypeSpec {
    SqlType type = SqlType::Unknown;
    int length = -1;       // characters of a text type; -1 when not given, 0 for MAX
    int scale = -1;        // decimal places of DECIMAL/NUMERIC (4 for MONEY); -1 for FLOAT
    int precision = -1;    // digits of DECIMAL/NUMERIC (19 for MONEY)
    bool fixed = false;    // CHAR/NCHAR: padded with blanks
    bool unicode = false;  // NCHAR/NVARCHAR/NTEXT
    bool isLong = false;   // TEXT/NTEXT/(MAX)
};

// Reads a declared type such as "NVARCHAR(50)", "int", "DATETIME",
// "decimal(10, 2)" or "TEXT COLLATE NOCASE"; Unknown for an empty or unknown name.
TypeSpec ParseTypeName(const std::string& declared);
// The ADO type code of a declared type (202 for Unknown).
int AdoTypeOf(const TypeSpec& typeSpec);
int AdoTypeOf(SqlType type);
// The SQLite type text a column of this type is created with.
std::string DeclaredTypeText(SqlType type);
// The same, with a DECIMAL's precision and scale ("DECIMAL(10,2)").
std::string DeclaredTypeText(const TypeSpec& typeSpec);

inline bool IsDateKind(SqlType t) {
    return t == SqlType::Date || t == SqlType::Time || t == SqlType::DateTime;
}
// DECIMAL and MONEY: exact numbers, computed digit by digit. FLOAT and REAL
// are binary.
inline bool IsExactDecimal(const TypeSpec& t) {
    return t.type == SqlType::Money || (t.type == SqlType::Float && t.scale >= 0);
}
inline bool IsNumericKind(SqlType t) {
    return t == SqlType::Bit || t == SqlType::Int || t == SqlType::BigInt || t == SqlType::Float ||
           t == SqlType::Money;
}

// Storage forms: DATE "YYYY-MM-DD", TIME "HH:MM:SS", DATETIME
// "YYYY-MM-DD HH:MM:SS", each with ".mmm" when the milliseconds are not zero
// (DATE never).
std::string StorageText(const DateTime& value, SqlType kind);
// The exact storage forms only, without allocating (the reader's fast path);
// a time alone lands on 1900-01-01.
bool ParseStorageDate(const char* text, std::size_t size, DateTime& out);
// A text as SQL Server reads a date-time from a string: the storage forms,
// "YYYY-M-D", "YYYY/M/D", "YYYYMMDD", each optionally followed by a time
// "H:MM[:SS[.fff]]" with an optional AM/PM, or a time alone (on 1900-01-01);
// an empty text is 1900-01-01.
std::optional<DateTime> ParseDateValue(const std::string& text);
// ParseDateValue turned into the storage form of `kind`.
std::optional<std::string> NormalizeDateText(const std::string& text, SqlType kind);
// The date-time text of `value` in a CONVERT style (0, 100, 1..5, 101..105,
// 8, 108, 10..12, 110..112, 20, 120, 21, 121, 23, 24, 25, 126, 127); nullopt
// for a style this layer does not know.
std::optional<std::string> FormatDateStyle(const DateTime& value, int style);
bool IsKnownDateStyle(int style);
