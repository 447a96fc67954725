#include "procedures/procsupport.h"

#include <strings.h>

#include <cctype>

#include "platform/textutil.h"

namespace {

std::string StripAt(const std::string& name) {
    return !name.empty() && name[0] == '@' ? name.substr(1) : name;
}

bool ParseInt(const std::string& s, std::size_t& pos, int& out) {
    std::size_t start = pos;
    int v = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos])) && pos - start < 5) {
        v = v * 10 + (s[pos] - '0');
        ++pos;
    }
    out = v;
    return pos > start;
}

}  // namespace

const Variant* ProcArgs::Find(const std::string& name, std::size_t position) const {
    const std::string wanted = StripAt(name);
    for (const auto& a : args_) {
        if (!a.Name.empty() && strcasecmp(StripAt(a.Name).c_str(), wanted.c_str()) == 0) {
            return &a.Value;
        }
    }
    if (position < args_.size() && args_[position].Name.empty()) return &args_[position].Value;
    return nullptr;
}

bool ProcArgs::IsNull(const std::string& name, std::size_t position) const {
    const Variant* v = Find(name, position);
    return v == nullptr || v->IsNull();
}

int64_t ProcArgs::Int(const std::string& name, std::size_t position, int64_t def) const {
    const Variant* v = Find(name, position);
    if (v == nullptr || v->IsNull()) return def;
    bool ok = false;
    int64_t n = v->ToInt64(&ok);
    return ok ? n : def;
}

Variant ProcArgs::IntOrNull(const std::string& name, std::size_t position, bool zeroIsNull) const {
    Variant result;
    if (!IsNull(name, position)) {
        const int64_t v = Int(name, position);
        if (!(zeroIsNull && v == 0)) result = Variant(v);
    }
    return result;
}

std::string ProcArgs::Text(const std::string& name, std::size_t position) const {
    const Variant* v = Find(name, position);
    return v == nullptr ? std::string() : v->ToText();
}

std::optional<std::string> ProcArgs::Date(const std::string& name, std::size_t position) const {
    const Variant* v = Find(name, position);
    if (v == nullptr || v->IsNull()) return std::nullopt;
    return NormaliseDate(*v);
}

std::string ProcArgs::OutputName(const std::string& def) const {
    for (const auto& a : args_) {
        if ((a.Direction == adParamOutput || a.Direction == adParamInputOutput) &&
            !a.Name.empty()) {
            return a.Name;
        }
    }
    return def;
}

std::optional<std::string> NormaliseDate(const Variant& value) {
    if (value.Type() == VarType::Date) {
        auto d = value.ToDateTime();
        if (!d || !d->Valid()) return std::nullopt;
        return d->DateText();
    }
    std::string s = value.ToText();
    s.erase(0, s.find_first_not_of(" \t"));
    std::size_t pos = 0;
    int y = 0, m = 0, d = 0;
    if (!ParseInt(s, pos, y) || pos >= s.size() || (s[pos] != '-' && s[pos] != '/')) {
        return std::nullopt;
    }
    const char sep = s[pos++];
    if (!ParseInt(s, pos, m) || pos >= s.size() || s[pos] != sep) return std::nullopt;
    ++pos;
    if (!ParseInt(s, pos, d)) return std::nullopt;
    // Only a time part may follow the date.
    if (pos < s.size() && s[pos] != ' ' && s[pos] != 'T') return std::nullopt;
    DateTime dt = DateTime::Date(y, m, d);
    if (y < 1753 || !dt.Valid()) return std::nullopt;
    return dt.DateText();
}

std::shared_ptr<Recordset> MakeRecordset(const std::vector<std::string>& columns,
                                         const std::vector<int>& types,
                                         std::vector<Recordset::Row> rows) {
    std::vector<FieldInfo> fields;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        FieldInfo f;
        f.Name = columns[i];
        f.Type = i < types.size() ? types[i] : adVarWChar;
        fields.push_back(f);
    }
    return std::make_shared<Recordset>(std::move(fields), std::move(rows));
}

int64_t QueryInt(ProcedureContext& ctx, const std::string& sql, const std::vector<Variant>& params,
                 int64_t def) {
    auto rs = ctx.Query(sql, params);
    if (rs == nullptr || rs->Eof() || rs->FieldCount() == 0) return def;
    const Variant* v = rs->Field(0);
    if (v == nullptr || v->IsNull()) return def;
    return v->ToInt64();
}

std::string NormaliseTableNo(const std::string& tableNo) {
    return UpperAscii(Trim(tableNo, " \t"));
}

std::string BlockAppliesSql(const std::string& t) {
    // Both ends inclusive; a NULL end leaves that side open; both NULL never applies.
    return "((" + t + ".BeginDate <= ? AND " + t + ".EndDate >= ?) OR (" + t +
           ".BeginDate <= ? AND " + t + ".EndDate IS NULL) OR (" + t + ".BeginDate IS NULL AND " +
           t + ".EndDate >= ?))";
}

bool OutletExists(ProcedureContext& ctx, int64_t outlet, bool activeOnly) {
    if (outlet <= 0) return false;
    return QueryInt(ctx,
                    std::string("SELECT COUNT(*) FROM tbl_Outlet WHERE OutletID = ?") +
                        (activeOnly ? " AND RowStatus = 'A'" : ""),
                    {Variant(outlet)}) > 0;
}

bool MealPeriodOfOutlet(ProcedureContext& ctx, int64_t mealPeriod, int64_t outlet) {
    if (mealPeriod <= 0 || outlet <= 0) return false;
    return QueryInt(ctx, "SELECT COUNT(*) FROM tbl_MPOutlet WHERE MPOutletID = ? AND OutletID = ?",
                    {Variant(mealPeriod), Variant(outlet)}) > 0;
}

bool ServerExists(ProcedureContext& ctx, int64_t server) {
    if (server <= 0) return false;
    return QueryInt(ctx, "SELECT COUNT(*) FROM tbl_DBServer WHERE DBServerID = ?",
                    {Variant(server)}) > 0;
}
