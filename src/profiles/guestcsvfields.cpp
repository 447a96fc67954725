#include "profiles/guestcsvfields.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>

#include "platform/datetime.h"
#include "platform/textutil.h"
#include "profiles/datatype.h"
#include "profiles/profiledefinition.h"
#include "sql/recordset.h"

namespace {

bool AllDigitsText(const std::string& s, std::size_t from) {
    if (from >= s.size()) return false;
    for (std::size_t i = from; i < s.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(s[i])) == 0) return false;
    }
    return true;
}

// Characters of UTF-8 text (bytes that do not continue a sequence).
std::size_t CharCount(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

// A date must begin with its year: DateTime::Parse also reads a bare time
// (as a time on 1900-01-01), which no date column should receive.
bool StartsWithYear(const std::string& s) {
    return s.size() >= 5 && AllDigitsText(s.substr(0, 4), 0) && (s[4] == '-' || s[4] == '/');
}

bool ParseWholeNumber(const std::string& s, std::string& value) {
    int64_t n = 0;
    const char* first = s.data() + (s.rfind('+', 0) == 0 ? 1 : 0);
    const char* last = s.data() + s.size();
    auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || end != last || n < INT32_MIN || n > INT32_MAX) return false;
    value = std::to_string(n);
    return true;
}

// Digits with an optional sign and decimal point: what every database
// converts from text to a number the same way.
bool ParseDecimal(const std::string& s, std::string& value) {
    std::size_t i = s.rfind('-', 0) == 0 || s.rfind('+', 0) == 0 ? 1 : 0;
    const std::size_t dot = s.find('.', i);
    const std::string whole = s.substr(i, dot == std::string::npos ? std::string::npos : dot - i);
    const std::string frac = dot == std::string::npos ? "" : s.substr(dot + 1);
    if (whole.empty() && frac.empty()) return false;
    if ((!whole.empty() && !AllDigitsText(whole, 0)) ||
        (dot != std::string::npos && !AllDigitsText(frac, 0)))
        return false;
    value = s.front() == '+' ? s.substr(1) : s;
    return true;
}

struct Declared {
    std::string base;  // upper case, without the length
    int length = 0;    // 0: none given or MAX
};

Declared SplitDeclared(const std::string& declaredType) {
    Declared d;
    const std::string t = UpperAscii(Trim(declaredType));
    const auto open = t.find('(');
    d.base = Trim(t.substr(0, open));
    if (open != std::string::npos) d.length = std::atoi(t.c_str() + open + 1);
    return d;
}

bool KindFromDeclared(const std::string& base, GuestValueKind& kind) {
    if (base == "INT" || base == "INTEGER" || base == "SMALLINT" || base == "TINYINT" ||
        base == "BIGINT") {
        kind = GuestValueKind::kInteger;
    } else if (base == "FLOAT" || base == "REAL" || base == "DECIMAL" || base == "NUMERIC" ||
               base == "MONEY" || base == "SMALLMONEY") {
        kind = GuestValueKind::kNumber;
    } else if (base == "BIT") {
        kind = GuestValueKind::kBit;
    } else if (base == "DATE") {
        kind = GuestValueKind::kDate;
    } else if (base == "TIME") {
        kind = GuestValueKind::kTime;
    } else if (base == "DATETIME" || base == "SMALLDATETIME" || base == "DATETIME2") {
        kind = GuestValueKind::kDateTime;
    } else if (!base.empty()) {
        kind = GuestValueKind::kText;
    } else {
        return false;
    }
    return true;
}

GuestValueKind KindFromDataType(const GuestCSVField& field) {
    if (field.DataType == ProfileDataType::kDate) return GuestValueKind::kDate;
    if (field.DataType == ProfileDataType::kDateTime) return GuestValueKind::kDateTime;
    if (ProfileDataType::IsTime(field.DataType)) return GuestValueKind::kTime;
    const std::string db = UpperAscii(field.DBDataType);
    if (db == "I") return GuestValueKind::kInteger;
    if (db == "M") return GuestValueKind::kNumber;
    if (db == "D") return GuestValueKind::kDateTime;
    return GuestValueKind::kText;
}

GuestValueKind KindFromAdo(const GuestCSVField& field, int adoType) {
    switch (adoType) {
        case adInteger:
        case adBigInt:
            return GuestValueKind::kInteger;
        case adDouble:
        case adCurrency:
            return GuestValueKind::kNumber;
        case adBoolean:
            return GuestValueKind::kBit;
        case adDBTimeStamp: {
            const GuestValueKind k = KindFromDataType(field);
            return k == GuestValueKind::kDate || k == GuestValueKind::kTime
                       ? k
                       : GuestValueKind::kDateTime;
        }
        default:
            return GuestValueKind::kText;
    }
}

}  // namespace

bool IsPlainColumnName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name) {
        if (std::isalnum(c) == 0 && c != '_') return false;
    }
    return true;
}

bool LoadGuestCSVFields(SQLDB& db, std::vector<GuestCSVField>& out, ErrorState& err) {
    out.clear();
    ProfileDefinition def;
    def.SetSQLDB(&db);
    def.SetIgnoreProfileList("");  // files carry the installation's fields, not this desk's
    if (!def.LoadProfile(kProfileAll)) {
        err.CopyErr(def.ErrNumber(), def.ErrDescription());
        return false;
    }
    for (const auto& [code, f] : def.Fields()) {
        const std::string column = f->DBField();
        if (f->IsPseudo() || !f->DataFromGuestTable() || !IsPlainColumnName(column)) continue;
        GuestCSVField field{column,
                            f->DataType(),
                            f->DBDataType(),
                            f->AttrLong("DBSize"),
                            f->AttrFlag("ProfileExport"),
                            f->AttrFlag("ProfileImportNew"),
                            f->AttrFlag("ProfileImportUpdate")};
        if (!field.Export && !field.ImportNew && !field.ImportUpdate) continue;
        bool seen = false;
        for (const auto& o : out)
            seen = seen || EqualsNoCase(o.Column, column);
        if (!seen) out.push_back(std::move(field));
    }
    return true;
}

GuestColumnRule RuleFor(const GuestCSVField& field, const std::string& declaredType, int adoType) {
    GuestColumnRule rule;
    const Declared declared = SplitDeclared(declaredType);
    if (!KindFromDeclared(declared.base, rule.Kind))
        rule.Kind = adoType != 0 ? KindFromAdo(field, adoType) : KindFromDataType(field);
    if (rule.Kind == GuestValueKind::kText) {
        rule.MaxLength = field.DBSize > 0 ? field.DBSize : 0;
        if (declared.length > 0 && (rule.MaxLength == 0 || declared.length < rule.MaxLength))
            rule.MaxLength = declared.length;
    }
    return rule;
}

bool NormaliseGuestValue(const GuestColumnRule& rule, const std::string& text, std::string& value,
                         std::string& reason) {
    const std::string t = rule.Kind == GuestValueKind::kText ? text : Trim(text);
    switch (rule.Kind) {
        case GuestValueKind::kText:
            if (rule.MaxLength > 0 && CharCount(t) > static_cast<std::size_t>(rule.MaxLength)) {
                reason = "Too long:";
                return false;
            }
            value = t;
            return true;
        case GuestValueKind::kInteger:
            reason = "Not a whole number:";
            return ParseWholeNumber(t, value);
        case GuestValueKind::kNumber:
            reason = "Not a number:";
            return ParseDecimal(t, value);
        case GuestValueKind::kBit:
            reason = "Not 0 or 1:";
            if (t == "1" || EqualsNoCase(t, "true"))
                value = "1";
            else if (t == "0" || EqualsNoCase(t, "false"))
                value = "0";
            else
                return false;
            return true;
        case GuestValueKind::kDate:
        case GuestValueKind::kDateTime: {
            const bool date = rule.Kind == GuestValueKind::kDate;
            reason = date ? "Not a date (yyyy-mm-dd):" : "Not a date and time (yyyy-mm-dd HH:MM):";
            const auto parsed = StartsWithYear(t) ? DateTime::Parse(t) : std::nullopt;
            // Older dates do not fit the database's date-time values.
            if (!parsed || parsed->Year < 1753) return false;
            value = date ? parsed->DateText() : parsed->ToText();
            return true;
        }
        case GuestValueKind::kTime: {
            reason = "Not a time (HH:MM):";
            const bool bare = t.find_first_of("-/") == std::string::npos;
            const auto parsed = bare ? DateTime::Parse(t) : std::nullopt;
            if (!parsed) return false;
            value = parsed->TimeText();
            return true;
        }
    }
    return false;
}
