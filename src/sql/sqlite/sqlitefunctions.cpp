#include "sql/sqlite/sqlitefunctions.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "platform/textutil.h"
#include "sql/sqldecimal.h"
#include "sql/sqlite/sqlitecollation.h"
#include "sql/sqlite/sqlitenumeric.h"
#include "sql/sqlite/sqlitevalues.h"
#include "sql/sqltypes.h"

namespace {

// ---- helpers ---------------------------------------------------------------

using sqlitevalues::AnyNull;
using sqlitevalues::Text;

void ResultText(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

std::u32string Decode(const std::string& s) {
    std::u32string r;
    r.reserve(s.size());
    for (std::size_t p = 0; p < s.size();)
        r.push_back(NextCodePoint(s, p));
    return r;
}

// Plain ASCII texts (dates, times, codes) are cut by bytes without decoding.
bool IsAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return (static_cast<unsigned char>(c) & 0x80) == 0; });
}

std::string Encode(const std::u32string& s, std::size_t from = 0,
                   std::size_t count = std::u32string::npos) {
    std::string r;
    std::size_t end = count == std::u32string::npos ? s.size() : std::min(s.size(), from + count);
    for (std::size_t i = from; i < end; ++i)
        AppendUtf8(r, s[i]);
    return r;
}

char32_t Fold(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

// A text as SQL Server converts it to a number: integers stay integers.
bool ParseNumber(const std::string& text, bool& isInt, int64_t& i, double& d) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (*first == '+') ++first;
    auto ri = std::from_chars(first, last, i);
    if (ri.ec == std::errc() && ri.ptr == last) {
        isInt = true;
        d = static_cast<double>(i);
        return true;
    }
    auto rd = std::from_chars(first, last, d);
    if (rd.ec != std::errc() || rd.ptr != last) return false;
    isInt = false;
    return true;
}

struct Num {
    bool isInt = true;
    int64_t i = 0;
    double d = 0;
};

bool ToNum(sqlite3_context* ctx, sqlite3_value* v, Num& n) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            n.isInt = true;
            n.i = sqlite3_value_int64(v);
            n.d = static_cast<double>(n.i);
            return true;
        case SQLITE_FLOAT:
            n.isInt = false;
            n.d = sqlite3_value_double(v);
            return true;
        case SQLITE_TEXT:
            if (ParseNumber(Text(v), n.isInt, n.i, n.d)) return true;
            {
                std::string msg = "Conversion failed when converting the varchar value '" +
                                  Text(v) + "' to data type int.";
                sqlite3_result_error(ctx, msg.c_str(), -1);
            }
            return false;
        default:
            sqlite3_result_error(ctx, "Operand type clash: varbinary is incompatible with int", -1);
            return false;
    }
}

void ResultNum(sqlite3_context* ctx, const Num& n) {
    if (n.isInt)
        sqlite3_result_int64(ctx, n.i);
    else
        sqlite3_result_double(ctx, n.d);
}

const DateTime kBase{1900, 1, 1, 0, 0, 0, 0};

// A value as SQL Server reads a date-time: text forms, or a number of days
// since 1900-01-01.
bool ToDate(sqlite3_context* ctx, sqlite3_value* v, DateTime& out) {
    int t = sqlite3_value_type(v);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) {
        double days = sqlite3_value_double(v);
        double whole = std::floor(days);
        out = kBase.AddDays(static_cast<int64_t>(whole))
                  .AddSeconds(static_cast<int64_t>(std::llround((days - whole) * 86400.0)));
        return true;
    }
    if (t == SQLITE_TEXT) {
        std::string s = Text(v);
        if (ParseStorageDate(s.data(), s.size(), out)) return true;
        if (auto d = ParseDateValue(s)) {
            out = *d;
            return true;
        }
    }
    sqlite3_result_error(ctx,
                         "Conversion failed when converting date and/or time from character "
                         "string.",
                         -1);
    return false;
}

SqlType KindOf(const std::string& code) {
    if (code == "date") return SqlType::Date;
    if (code == "time") return SqlType::Time;
    if (code == "datetime") return SqlType::DateTime;
    if (code == "int") return SqlType::Int;
    if (code == "float") return SqlType::Float;
    if (code == "money") return SqlType::Money;
    if (code == "bit") return SqlType::Bit;
    if (code == "text") return SqlType::Text;
    return SqlType::Unknown;
}

std::string DoubleText(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
        char b[32];
        std::snprintf(b, sizeof b, "%.0f", v);
        return b;
    }
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// ---- LIKE --------------------------------------------------------------------

struct PatternItem {
    enum Kind { Star, One, Char, Set } kind;
    char32_t c = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
    bool Matches(char32_t x) const {
        if (kind == One) return true;
        if (kind == Char) return Fold(c) == Fold(x);
        bool in = false;
        for (auto [a, b] : ranges)
            in = in || (Fold(x) >= Fold(a) && Fold(x) <= Fold(b));
        return in != negate;
    }
};

std::vector<PatternItem> CompilePattern(const std::u32string& p, char32_t esc, bool hasEsc) {
    std::vector<PatternItem> items;
    for (std::size_t i = 0; i < p.size(); ++i) {
        char32_t c = p[i];
        if (hasEsc && c == esc && i + 1 < p.size()) {
            items.push_back({PatternItem::Char, p[++i], false, {}});
        } else if (c == U'%') {
            if (items.empty() || items.back().kind != PatternItem::Star)
                items.push_back({PatternItem::Star, 0, false, {}});
        } else if (c == U'_') {
            items.push_back({PatternItem::One, 0, false, {}});
        } else if (c == U'[' && p.find(U']', i + 1) != std::u32string::npos) {
            PatternItem set{PatternItem::Set, 0, false, {}};
            std::size_t j = i + 1;
            if (j < p.size() && p[j] == U'^') {
                set.negate = true;
                ++j;
            }
            std::size_t close = p.find(U']', j == i + 1 ? j : j);
            if (close == j) close = p.find(U']', j + 1);  // "[]]" holds a bracket
            if (close == std::u32string::npos) {
                items.push_back({PatternItem::Char, c, false, {}});
                continue;
            }
            for (; j < close; ++j) {
                if (j + 2 < close && p[j + 1] == U'-') {
                    set.ranges.emplace_back(p[j], p[j + 2]);
                    j += 2;
                } else {
                    set.ranges.emplace_back(p[j], p[j]);
                }
            }
            items.push_back(std::move(set));
            i = close;
        } else {
            items.push_back({PatternItem::Char, c, false, {}});
        }
    }
    return items;
}

bool MatchPattern(const std::vector<PatternItem>& pat, const std::u32string& s) {
    std::size_t pi = 0, si = 0, starP = std::string::npos, starS = 0;
    while (si < s.size()) {
        if (pi < pat.size() && pat[pi].kind == PatternItem::Star) {
            starP = pi++;
            starS = si;
        } else if (pi < pat.size() && pat[pi].Matches(s[si])) {
            ++pi;
            ++si;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < pat.size() && pat[pi].kind == PatternItem::Star)
        ++pi;
    return pi == pat.size();
}

void Like(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    char32_t esc = 0;
    bool hasEsc = argc == 3;
    if (hasEsc) {
        std::u32string e = Decode(Text(argv[2]));
        if (e.size() != 1) return sqlite3_result_error(ctx, "Invalid escape character.", -1);
        esc = e[0];
    }
    auto pat = CompilePattern(Decode(Text(argv[0])), esc, hasEsc);
    sqlite3_result_int(ctx, MatchPattern(pat, Decode(Text(argv[1]))) ? 1 : 0);
}

// ---- dates ----------------------------------------------------------------------

void GetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    auto* clock = static_cast<FunctionClock*>(sqlite3_user_data(ctx));
    if (!clock->valid) {
        clock->now = DateTime::SystemNow();
        clock->valid = true;
    }
    ResultText(ctx, StorageText(clock->now, SqlType::DateTime));
}

void GetUtcDate(sqlite3_context* ctx, int, sqlite3_value**) {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    DateTime d{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
    ResultText(ctx, StorageText(d, SqlType::DateTime));
}

void ToDateFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    DateTime d;
    if (!ToDate(ctx, argv[0], d)) return;
    ResultText(ctx, StorageText(d, KindOf(Text(argv[1]))));
}

void DateAdd(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string part = Text(argv[0]);
    Num n;
    if (!ToNum(ctx, argv[1], n)) return;
    int64_t k = n.isInt ? n.i : static_cast<int64_t>(std::trunc(n.d));
    DateTime d;
    if (!ToDate(ctx, argv[2], d)) return;
    if (part == "year")
        d = d.AddMonths(static_cast<int>(12 * k));
    else if (part == "quarter")
        d = d.AddMonths(static_cast<int>(3 * k));
    else if (part == "month")
        d = d.AddMonths(static_cast<int>(k));
    else if (part == "week")
        d = d.AddDays(7 * k);
    else if (part == "day" || part == "dayofyear" || part == "weekday")
        d = d.AddDays(k);
    else if (part == "hour")
        d = d.AddSeconds(3600 * k);
    else if (part == "minute")
        d = d.AddSeconds(60 * k);
    else if (part == "second")
        d = d.AddSeconds(k);
    else if (part == "millisecond") {
        int64_t total = d.Millisecond + k;
        int ms = d.Millisecond;
        d.Millisecond = 0;
        (void)ms;
        d = d.AddSeconds(FloorDiv(total, 1000));
        d.Millisecond = static_cast<int>(total - FloorDiv(total, 1000) * 1000);
    }
    ResultText(ctx, StorageText(d, SqlType::DateTime));
}

void DateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string part = Text(argv[0]);
    DateTime a, b;
    if (!ToDate(ctx, argv[1], a) || !ToDate(ctx, argv[2], b)) return;
    int64_t r = 0;
    int64_t sa = a.SecondsSinceEpoch(), sb = b.SecondsSinceEpoch();
    int64_t da = a.DaysSinceEpoch(), db = b.DaysSinceEpoch();
    // SQL Server counts the boundaries crossed, not whole elapsed units.
    if (part == "year")
        r = b.Year - a.Year;
    else if (part == "quarter")
        r = (b.Year * 4 + (b.Month - 1) / 3) - (a.Year * 4 + (a.Month - 1) / 3);
    else if (part == "month")
        r = (b.Year * 12 + b.Month) - (a.Year * 12 + a.Month);
    else if (part == "week")
        r = FloorDiv(db + 4, 7) - FloorDiv(da + 4, 7);  // weeks begin on Sunday
    else if (part == "day" || part == "dayofyear" || part == "weekday")
        r = db - da;
    else if (part == "hour")
        r = FloorDiv(sb, 3600) - FloorDiv(sa, 3600);
    else if (part == "minute")
        r = FloorDiv(sb, 60) - FloorDiv(sa, 60);
    else if (part == "second")
        r = sb - sa;
    else if (part == "millisecond")
        r = (sb - sa) * 1000 + (b.Millisecond - a.Millisecond);
    if (r > std::numeric_limits<int32_t>::max() || r < std::numeric_limits<int32_t>::min())
        return sqlite3_result_error(ctx, "The datediff function resulted in an overflow.", -1);
    sqlite3_result_int64(ctx, r);
}

void DatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string part = Text(argv[0]);
    DateTime d;
    if (!ToDate(ctx, argv[1], d)) return;
    int doy =
        static_cast<int>(d.DaysSinceEpoch() - DateTime::Date(d.Year, 1, 1).DaysSinceEpoch()) + 1;
    int r = 0;
    if (part == "year")
        r = d.Year;
    else if (part == "quarter")
        r = (d.Month - 1) / 3 + 1;
    else if (part == "month")
        r = d.Month;
    else if (part == "dayofyear")
        r = doy;
    else if (part == "day")
        r = d.Day;
    else if (part == "week")
        r = (doy + DateTime::Date(d.Year, 1, 1).DayOfWeek() - 2) / 7 + 1;
    else if (part == "weekday")
        r = d.DayOfWeek();
    else if (part == "hour")
        r = d.Hour;
    else if (part == "minute")
        r = d.Minute;
    else if (part == "second")
        r = d.Second;
    else if (part == "millisecond")
        r = d.Millisecond;
    sqlite3_result_int(ctx, r);
}

// ---- conversions -------------------------------------------------------------

// A DECIMAL's text with all of its places ("decN": N places).
bool DecimalText(sqlite3_value* v, const std::string& code, std::string& out) {
    if (code.rfind("dec", 0) != 0) return false;
    int vt = sqlite3_value_type(v);
    std::optional<SqlDecimal> d;
    if (vt == SQLITE_INTEGER)
        d = SqlDecimal::FromInt(sqlite3_value_int64(v));
    else if (vt == SQLITE_FLOAT)
        d = SqlDecimal::FromDouble(sqlite3_value_double(v));
    if (d) d = d->WithScale(std::atoi(code.c_str() + 3));
    if (!d) return false;
    out = d->ToString();
    return true;
}

void ToStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string code = Text(argv[1]);
    SqlType src = KindOf(code);
    int style = sqlite3_value_int(argv[2]);
    int len = sqlite3_value_int(argv[3]);
    bool fixed = sqlite3_value_int(argv[4]) != 0;
    int vt = sqlite3_value_type(argv[0]);
    std::string s;
    if (IsDateKind(src)) {
        DateTime d;
        std::string raw = Text(argv[0]);
        if (!ParseStorageDate(raw.data(), raw.size(), d)) {
            auto p = ParseDateValue(raw);
            if (!p) return ResultText(ctx, raw);
            d = *p;
        }
        auto f = FormatDateStyle(d, style);
        s = f ? *f : raw;
    } else if (DecimalText(argv[0], code, s)) {
    } else if (vt == SQLITE_INTEGER) {
        int64_t v = sqlite3_value_int64(argv[0]);
        s = src == SqlType::Money ? std::to_string(v) + ".00" : std::to_string(v);
    } else if (vt == SQLITE_FLOAT) {
        double v = sqlite3_value_double(argv[0]);
        if (src == SqlType::Money) {
            char b[64];
            std::snprintf(b, sizeof b, "%.2f", v);
            s = b;
        } else {
            s = DoubleText(v);
        }
    } else {
        s = Text(argv[0]);
    }
    // A plain ASCII text is cut by bytes: no need to decode it (every list
    // date passes here).
    if (IsAscii(s) && !fixed) {
        if (len >= 0 && s.size() > static_cast<std::size_t>(len))
            s.resize(static_cast<std::size_t>(len));
    } else if (len >= 0 || fixed) {
        std::u32string u = Decode(s);
        if (len >= 0 && u.size() > static_cast<std::size_t>(len))
            u.resize(static_cast<std::size_t>(len));
        if (fixed && len >= 0) u.resize(static_cast<std::size_t>(len), U' ');
        s = Encode(u);
    }
    ResultText(ctx, s);
}

void NumFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    Num n;
    if (ToNum(ctx, argv[0], n)) ResultNum(ctx, n);
}

void ToBit(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const std::string t = LowerAscii(Trim(Text(argv[0])));
        if (t == "true") return sqlite3_result_int(ctx, 1);
        if (t == "false") return sqlite3_result_int(ctx, 0);
    }
    Num n;
    if (ToNum(ctx, argv[0], n)) sqlite3_result_int(ctx, (n.isInt ? n.i != 0 : n.d != 0) ? 1 : 0);
}

// ---- text ---------------------------------------------------------------------

void LeftRight(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    bool left = *static_cast<const char*>(sqlite3_user_data(ctx)) == 'L';
    int64_t n = sqlite3_value_int64(argv[1]);
    if (n < 0) {
        std::string msg = std::string("Invalid length parameter passed to the ") +
                          (left ? "left" : "right") + " function.";
        return sqlite3_result_error(ctx, msg.c_str(), -1);
    }
    const std::string text = Text(argv[0]);
    if (IsAscii(text)) {
        const std::size_t k = std::min<std::size_t>(text.size(), static_cast<std::size_t>(n));
        return ResultText(ctx, left ? text.substr(0, k) : text.substr(text.size() - k));
    }
    std::u32string s = Decode(text);
    std::size_t k = std::min<std::size_t>(s.size(), static_cast<std::size_t>(n));
    ResultText(ctx, left ? Encode(s, 0, k) : Encode(s, s.size() - k));
}

void Substring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t start = sqlite3_value_int64(argv[1]);
    int64_t len = sqlite3_value_int64(argv[2]);
    if (len < 0)
        return sqlite3_result_error(
            ctx, "Invalid length parameter passed to the substring function.", -1);
    const std::string text = Text(argv[0]);
    const bool ascii = IsAscii(text);
    std::u32string s = ascii ? std::u32string() : Decode(text);
    const std::size_t size = ascii ? text.size() : s.size();
    // Positions before 1 count towards the length but yield nothing.
    int64_t from = std::max<int64_t>(start, 1);
    int64_t to = std::min<int64_t>(start + len, static_cast<int64_t>(size) + 1);
    if (to <= from) return ResultText(ctx, "");
    if (ascii)
        return ResultText(ctx, text.substr(static_cast<std::size_t>(from - 1),
                                           static_cast<std::size_t>(to - from)));
    ResultText(ctx,
               Encode(s, static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from)));
}

void Len(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::u32string s = Decode(Text(argv[0]));
    while (!s.empty() && s.back() == U' ')
        s.pop_back();  // trailing blanks do not count
    sqlite3_result_int64(ctx, static_cast<int64_t>(s.size()));
}

std::size_t FindFolded(const std::u32string& hay, const std::u32string& needle, std::size_t from) {
    if (needle.empty()) return std::u32string::npos;
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && Fold(hay[i + k]) == Fold(needle[k]))
            ++k;
        if (k == needle.size()) return i;
    }
    return std::u32string::npos;
}

void Replace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::u32string s = Decode(Text(argv[0])), a = Decode(Text(argv[1])), b = Decode(Text(argv[2]));
    std::u32string r;
    std::size_t p = 0;
    while (true) {
        std::size_t hit = FindFolded(s, a, p);
        if (hit == std::u32string::npos) break;
        r += s.substr(p, hit - p) + b;
        p = hit + a.size();
    }
    r += s.substr(p);
    ResultText(ctx, Encode(r));
}

void CharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::u32string needle = Decode(Text(argv[0])), hay = Decode(Text(argv[1]));
    int64_t start = argc == 3 ? sqlite3_value_int64(argv[2]) : 1;
    if (start < 1) start = 1;
    std::size_t hit = FindFolded(hay, needle, static_cast<std::size_t>(start - 1));
    sqlite3_result_int64(ctx, hit == std::u32string::npos ? 0 : static_cast<int64_t>(hit) + 1);
}

void Replicate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    int64_t n = sqlite3_value_int64(argv[1]);
    if (n < 0) return sqlite3_result_null(ctx);
    std::string s = Text(argv[0]), r;
    if (s.size() * static_cast<std::size_t>(n) > 100000000)
        return sqlite3_result_error(ctx, "REPLICATE result too long.", -1);
    for (int64_t i = 0; i < n; ++i)
        r += s;
    ResultText(ctx, r);
}

void Reverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::u32string s = Decode(Text(argv[0]));
    ResultText(ctx, Encode(std::u32string(s.rbegin(), s.rend())));
}

void Concat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string r;
    for (int i = 0; i < argc; ++i)
        r += Text(argv[i]);
    ResultText(ctx, r);
}

// ---- numbers ------------------------------------------------------------------

void Rounding(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    Num n;
    if (!ToNum(ctx, argv[0], n)) return;
    char op = *static_cast<const char*>(sqlite3_user_data(ctx));
    if (n.isInt) {
        if (op == 'S') return sqlite3_result_int(ctx, n.i > 0 ? 1 : n.i < 0 ? -1 : 0);
        return sqlite3_result_int64(ctx, n.i);
    }
    double r = op == 'C'   ? std::ceil(n.d)
               : op == 'F' ? std::floor(n.d)
                           : (n.d > 0   ? 1.0
                              : n.d < 0 ? -1.0
                                        : 0.0);
    sqlite3_result_double(ctx, r);
}

void Power(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    if (!ToNum(ctx, argv[0], a) || !ToNum(ctx, argv[1], b)) return;
    sqlite3_result_double(ctx, std::pow(a.d, b.d));
}

void IsNumeric(sqlite3_context* ctx, int, sqlite3_value** argv) {
    int t = sqlite3_value_type(argv[0]);
    if (t == SQLITE_INTEGER || t == SQLITE_FLOAT) return sqlite3_result_int(ctx, 1);
    if (t != SQLITE_TEXT) return sqlite3_result_int(ctx, 0);
    bool isInt = false;
    int64_t i = 0;
    double d = 0;
    sqlite3_result_int(ctx, ParseNumber(Text(argv[0]), isInt, i, d) ? 1 : 0);
}

void NewId(sqlite3_context* ctx, int, sqlite3_value**) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    uint64_t a = rng(), b = rng();
    a = (a & ~0xF000ULL) | 0x4000ULL;                         // version 4
    b = (b & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;  // variant
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%04X-%012llX", static_cast<unsigned>(a >> 32),
                  static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFFF),
                  static_cast<unsigned>(b >> 48),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
    ResultText(ctx, buf);
}

}  // namespace

bool RegisterTSqlFunctions(sqlite3* db, FunctionClock* clock) {
    using Fn = void (*)(sqlite3_context*, int, sqlite3_value**);
    struct Entry {
        const char* name;
        int args;
        Fn fn;
        bool deterministic;
        void* data;
    };
    static const char kLeft = 'L', kRight = 'R', kCeil = 'C', kFloor = 'F', kSign = 'S';
    void* l = const_cast<char*>(&kLeft);
    void* r = const_cast<char*>(&kRight);
    const Entry entries[] = {
        {"like", 2, Like, true, nullptr},
        {"like", 3, Like, true, nullptr},
        {"ct_getdate", 0, GetDate, false, clock},
        {"ct_getutcdate", 0, GetUtcDate, false, nullptr},
        {"ct_todate", 2, ToDateFn, true, nullptr},
        {"ct_dateadd", 3, DateAdd, true, nullptr},
        {"ct_datediff", 3, DateDiff, true, nullptr},
        {"ct_datepart", 2, DatePart, true, nullptr},
        {"ct_tostr", 5, ToStr, true, nullptr},
        {"ct_num", 1, NumFn, true, nullptr},
        {"ct_tobit", 1, ToBit, true, nullptr},
        {"ct_left", 2, LeftRight, true, l},
        {"ct_right", 2, LeftRight, true, r},
        {"ct_substring", 3, Substring, true, nullptr},
        {"ct_len", 1, Len, true, nullptr},
        {"ct_replace", 3, Replace, true, nullptr},
        {"ct_charindex", 2, CharIndex, true, nullptr},
        {"ct_charindex", 3, CharIndex, true, nullptr},
        {"ct_replicate", 2, Replicate, true, nullptr},
        {"ct_reverse", 1, Reverse, true, nullptr},
        {"ct_concat", -1, Concat, true, nullptr},
        {"ct_ceiling", 1, Rounding, true, const_cast<char*>(&kCeil)},
        {"ct_floor", 1, Rounding, true, const_cast<char*>(&kFloor)},
        {"ct_sign", 1, Rounding, true, const_cast<char*>(&kSign)},
        {"ct_power", 2, Power, true, nullptr},
        {"ct_isnumeric", 1, IsNumeric, true, nullptr},
        {"ct_newid", 0, NewId, false, nullptr},
    };
    for (const Entry& e : entries) {
        int flags = SQLITE_UTF8 | (e.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function_v2(db, e.name, e.args, flags, e.data, e.fn, nullptr, nullptr,
                                       nullptr) != SQLITE_OK)
            return false;
    }
    return RegisterTSqlNumberFunctions(db) && RegisterTextCollation(db);
}
