#include "sql/sqltypes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/textutil.h"

namespace {

// The base name and the numbers in parentheses of a declared type.
void SplitTypeName(const std::string& declared, std::string& base, std::string& args) {
    std::string u = UpperAscii(Trim(declared, kSpaceChars));
    std::size_t paren = u.find('(');
    std::string head = paren == std::string::npos ? u : u.substr(0, paren);
    if (paren != std::string::npos) {
        std::size_t close = u.find(')', paren);
        args =
            u.substr(paren + 1, close == std::string::npos ? std::string::npos : close - paren - 1);
    }
    // "DOUBLE PRECISION" keeps its second word; a COLLATE or NOT NULL tail does not.
    std::size_t sp = head.find_first_of(" \t\r\n");
    base = Trim(head.substr(0, sp), kSpaceChars);
    if (base == "DOUBLE") base = "FLOAT";
}

int Num(const std::string& s, int def) {
    std::string t = Trim(s, kSpaceChars);
    if (t.empty()) return def;
    if (t == "MAX") return 0;
    char* end = nullptr;
    long v = std::strtol(t.c_str(), &end, 10);
    return end != nullptr && *end == '\0' ? static_cast<int>(v) : def;
}

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Dates are formatted for every row of a list: digits are written directly.
std::string Two(int v) {
    v %= 100;
    if (v < 0) {
        char b[8];
        std::snprintf(b, sizeof b, "%02d", v);
        return b;
    }
    return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}
std::string Four(int v) {
    if (v < 0 || v > 9999) {
        char b[16];
        std::snprintf(b, sizeof b, "%04d", v);
        return b;
    }
    return {static_cast<char>('0' + v / 1000), static_cast<char>('0' + v / 100 % 10),
            static_cast<char>('0' + v / 10 % 10), static_cast<char>('0' + v % 10)};
}
std::string Three(int v) {
    if (v < 0 || v > 999) {
        char b[16];
        std::snprintf(b, sizeof b, "%03d", v);
        return b;
    }
    return {static_cast<char>('0' + v / 100), static_cast<char>('0' + v / 10 % 10),
            static_cast<char>('0' + v % 10)};
}

// Reads 1 or 2 digits at p.
bool Digits12(const std::string& t, std::size_t& p, int& v) {
    if (p >= t.size() || !std::isdigit(static_cast<unsigned char>(t[p]))) return false;
    v = t[p++] - '0';
    if (p < t.size() && std::isdigit(static_cast<unsigned char>(t[p]))) v = v * 10 + (t[p++] - '0');
    return true;
}

// Reads "H:M[:S[.fff]]" with an optional AM/PM into d.
bool ParseClock(const std::string& text, DateTime& d) {
    std::string t = UpperAscii(Trim(text, kSpaceChars));
    int add = -1;
    if (t.size() >= 2 && (t.ends_with("AM") || t.ends_with("PM"))) {
        add = t.ends_with("PM") ? 12 : 0;
        t = Trim(t.substr(0, t.size() - 2), kSpaceChars);
    }
    std::size_t p = 0;
    int h = 0, mi = 0, sec = 0, ms = 0;
    if (!Digits12(t, p, h) || p >= t.size() || t[p++] != ':' || !Digits12(t, p, mi)) return false;
    if (p < t.size() && t[p] == ':') {
        ++p;
        if (!Digits12(t, p, sec)) return false;
        if (p < t.size() && t[p] == '.') {
            ++p;
            int scale = 100;
            std::size_t start = p;
            while (p < t.size() && std::isdigit(static_cast<unsigned char>(t[p]))) {
                ms += (t[p++] - '0') * scale;
                scale /= 10;
            }
            if (p == start) return false;
        }
    }
    if (p != t.size() || mi > 59 || sec > 59) return false;
    if (add >= 0) {
        if (h < 1 || h > 12) return false;
        h = h % 12 + add;
    }
    if (h > 23) return false;
    d.Hour = h;
    d.Minute = mi;
    d.Second = sec;
    d.Millisecond = ms;
    return true;
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

TypeSpec ParseTypeName(const std::string& declared) {
    std::string base, args;
    SplitTypeName(declared, base, args);
    TypeSpec t;
    std::string a1 = args, a2;
    if (std::size_t comma = args.find(','); comma != std::string::npos) {
        a1 = args.substr(0, comma);
        a2 = args.substr(comma + 1);
    }
    if (base == "BIT" || base == "BOOLEAN" || base == "BOOL") {
        t.type = SqlType::Bit;
    } else if (base == "INT" || base == "INTEGER" || base == "SMALLINT" || base == "TINYINT") {
        t.type = SqlType::Int;
    } else if (base == "BIGINT") {
        t.type = SqlType::BigInt;
    } else if (base == "FLOAT" || base == "REAL") {
        t.type = SqlType::Float;
    } else if (base == "DECIMAL" || base == "NUMERIC" || base == "DEC") {
        t.type = SqlType::Float;
        t.precision = std::clamp(Num(a1, 18), 1, 38);
        t.scale = std::clamp(Num(a2, 0), 0, t.precision);
    } else if (base == "MONEY" || base == "SMALLMONEY") {
        t.type = SqlType::Money;
        t.precision = base == "MONEY" ? 19 : 10;
        t.scale = 4;
    } else if (base == "CHAR" || base == "NCHAR" || base == "CHARACTER") {
        t.type = SqlType::Text;
        t.fixed = true;
        t.unicode = base == "NCHAR";
        t.length = Num(a1, 1);
    } else if (base == "VARCHAR" || base == "NVARCHAR" || base == "SYSNAME" ||
               base == "UNIQUEIDENTIFIER") {
        t.type = SqlType::Text;
        t.unicode = base != "VARCHAR";
        t.length = Num(a1, -1);
        t.isLong = t.length == 0;
    } else if (base == "TEXT" || base == "CLOB") {
        t.type = SqlType::Text;
        t.unicode = true;
    } else if (base == "NTEXT") {
        t.type = SqlType::Text;
        t.unicode = true;
        t.isLong = true;
    } else if (base == "DATE") {
        t.type = SqlType::Date;
    } else if (base == "TIME") {
        t.type = SqlType::Time;
    } else if (base == "DATETIME" || base == "SMALLDATETIME" || base == "DATETIME2") {
        t.type = SqlType::DateTime;
    } else if (base == "BLOB" || base == "IMAGE" || base == "VARBINARY" || base == "BINARY") {
        t.type = SqlType::Binary;
    }
    return t;
}

int AdoTypeOf(const TypeSpec& typeSpec) {
    if (typeSpec.type == SqlType::Text) {
        if (typeSpec.isLong) return 203;
        return typeSpec.unicode ? 202 : 200;
    }
    return AdoTypeOf(typeSpec.type);
}

int AdoTypeOf(SqlType type) {
    switch (type) {
        case SqlType::Bit:
            return 11;
        case SqlType::Int:
            return 3;
        case SqlType::BigInt:
            return 20;
        case SqlType::Float:
            return 5;
        case SqlType::Money:
            return 6;
        case SqlType::Date:
        case SqlType::Time:
        case SqlType::DateTime:
            return 135;
        case SqlType::Binary:
            return 205;
        default:
            return 202;
    }
}

std::string DeclaredTypeText(SqlType type) {
    switch (type) {
        case SqlType::Bit:
            return "BIT";
        case SqlType::Int:
            return "INT";
        case SqlType::BigInt:
            return "BIGINT";
        case SqlType::Float:
            return "FLOAT";
        case SqlType::Money:
            return "MONEY";
        case SqlType::Text:
            return "NVARCHAR COLLATE NOCASE";
        case SqlType::Date:
            return "DATE";
        case SqlType::Time:
            return "TIME";
        case SqlType::DateTime:
            return "DATETIME";
        case SqlType::Binary:
            return "BLOB";
        default:
            return "";
    }
}

std::string DeclaredTypeText(const TypeSpec& typeSpec) {
    if (typeSpec.type == SqlType::Float && typeSpec.scale >= 0)
        return "DECIMAL(" +
               std::to_string(typeSpec.precision > 0 ? std::max(typeSpec.precision, typeSpec.scale)
                                                     : 38) +
               "," + std::to_string(typeSpec.scale) + ")";
    return DeclaredTypeText(typeSpec.type);
}

std::string StorageText(const DateTime& value, SqlType kind) {
    std::string ms = value.Millisecond != 0 ? "." + Three(value.Millisecond) : "";
    switch (kind) {
        case SqlType::Date:
            return value.DateText();
        case SqlType::Time:
            return value.TimeText() + ms;
        default:
            return value.ToText() + ms;
    }
}

namespace {

bool D2(const char* p, int& v) {
    if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return false;
    v = (p[0] - '0') * 10 + (p[1] - '0');
    return true;
}

bool ClockAt(const char* p, std::size_t n, DateTime& d) {
    if (n != 8 && n != 12) return false;
    if (p[2] != ':' || p[5] != ':') return false;
    if (!D2(p, d.Hour) || !D2(p + 3, d.Minute) || !D2(p + 6, d.Second)) return false;
    d.Millisecond = 0;
    if (n == 12) {
        int a = 0, b = 0;
        if (p[8] != '.' || !D2(p + 9, a) || p[11] < '0' || p[11] > '9') return false;
        b = p[11] - '0';
        d.Millisecond = a * 10 + b;
    }
    return d.Hour < 24 && d.Minute < 60 && d.Second < 60;
}

}  // namespace

bool ParseStorageDate(const char* p, std::size_t n, DateTime& out) {
    DateTime d;
    if (n == 8 || n == 12) {
        if (!ClockAt(p, n, d)) return false;
        out = d;
        return true;
    }
    if (n != 10 && n != 19 && n != 23) return false;
    int y1 = 0, y2 = 0;
    if (!D2(p, y1) || !D2(p + 2, y2) || p[4] != '-' || p[7] != '-') return false;
    if (!D2(p + 5, d.Month) || !D2(p + 8, d.Day)) return false;
    d.Year = y1 * 100 + y2;
    if (n > 10 && (p[10] != ' ' || !ClockAt(p + 11, n - 11, d))) return false;
    if (!d.Valid()) return false;
    out = d;
    return true;
}

std::optional<DateTime> ParseDateValue(const std::string& text) {
    std::string t = Trim(text, kSpaceChars);
    DateTime d;
    if (t.empty()) return d;  // SQL Server reads an empty text as 1900-01-01
    if (ParseStorageDate(t.data(), t.size(), d)) return d;
    // A time alone lands on 1900-01-01, as SQL Server reads it.
    if (t.find('-') == std::string::npos && t.find('/') == std::string::npos &&
        t.find(':') != std::string::npos) {
        if (!ParseClock(t, d) || !d.Valid()) return std::nullopt;
        return d;
    }
    std::size_t sep = t.find_first_of(" T");
    std::string datePart = t.substr(0, sep);
    std::string timePart = sep == std::string::npos ? "" : t.substr(sep + 1);
    if (datePart.size() == 8 && AllDigits(datePart)) {
        d.Year = std::atoi(datePart.substr(0, 4).c_str());
        d.Month = std::atoi(datePart.substr(4, 2).c_str());
        d.Day = std::atoi(datePart.substr(6, 2).c_str());
    } else {
        auto dp = DateTime::Parse(datePart);
        if (!dp) return std::nullopt;
        d = *dp;
    }
    if (!Trim(timePart, kSpaceChars).empty() && !ParseClock(timePart, d)) return std::nullopt;
    if (!d.Valid()) return std::nullopt;
    return d;
}

std::optional<std::string> NormalizeDateText(const std::string& text, SqlType kind) {
    auto d = ParseDateValue(text);
    if (!d) return std::nullopt;
    return StorageText(*d, kind);
}

bool IsKnownDateStyle(int style) {
    return FormatDateStyle(DateTime{}, style).has_value();
}

std::optional<std::string> FormatDateStyle(const DateTime& v, int style) {
    bool century = style >= 100 || style == 0 || style == 20 || style == 21 || style == 23 ||
                   style == 24 || style == 25;
    std::string yy = century ? Four(v.Year) : Two(v.Year);
    std::string mm = Two(v.Month), dd = Two(v.Day);
    std::string clock = Two(v.Hour) + ":" + Two(v.Minute) + ":" + Two(v.Second);
    switch (style) {
        case 0:
        case 100: {
            char b[40];
            int h12 = v.Hour % 12 == 0 ? 12 : v.Hour % 12;
            std::snprintf(b, sizeof b, "%s %2d %04d %2d:%02d%s", kMonths[(v.Month + 11) % 12],
                          v.Day, v.Year, h12, v.Minute, v.Hour < 12 ? "AM" : "PM");
            return std::string(b);
        }
        case 1:
        case 101:
            return mm + "/" + dd + "/" + yy;
        case 2:
        case 102:
            return yy + "." + mm + "." + dd;
        case 3:
        case 103:
            return dd + "/" + mm + "/" + yy;
        case 4:
        case 104:
            return dd + "." + mm + "." + yy;
        case 5:
        case 105:
            return dd + "-" + mm + "-" + yy;
        case 8:
        case 24:
        case 108:
            return clock;
        case 10:
        case 110:
            return mm + "-" + dd + "-" + yy;
        case 11:
        case 111:
            return yy + "/" + mm + "/" + dd;
        case 12:
        case 112:
            return yy + mm + dd;
        case 20:
        case 120:
            return yy + "-" + mm + "-" + dd + " " + clock;
        case 21:
        case 25:
        case 121:
            return yy + "-" + mm + "-" + dd + " " + clock + "." + Three(v.Millisecond);
        case 23:
            return yy + "-" + mm + "-" + dd;
        case 126:
        case 127:
            return yy + "-" + mm + "-" + dd + "T" + clock +
                   (v.Millisecond != 0 ? "." + Three(v.Millisecond) : "");
        default:
            return std::nullopt;
    }
}
