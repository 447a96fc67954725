#include "sql/sqldb.h"

#include <cstdio>

#include "platform/textutil.h"
#include "sql/dbengine.h"

namespace {

std::string ParamKey(const std::string& s) {
    std::string r = LowerAscii(s);
    while (!r.empty() && r[0] == '@')
        r.erase(0, 1);
    return r;
}

// Splits "a=1;b='x;y'" into its keyword=value segments.
std::vector<std::string> Segments(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    char quote = 0;
    bool inValue = false;
    for (char c : text) {
        if (quote != 0) {
            cur += c;
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '=' && !inValue)
            inValue = true;
        else if (inValue && (c == '"' || c == '\'') &&
                 cur.find_first_not_of(" \t", cur.find('=') + 1) == std::string::npos)
            quote = c;
        if (c == ';') {
            out.push_back(cur);
            cur.clear();
            inValue = false;
            continue;
        }
        cur += c;
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

std::string SegmentKey(const std::string& seg) {
    std::size_t eq = seg.find('=');
    std::string k = LowerAscii(seg.substr(0, eq));
    std::size_t b = k.find_first_not_of(" \t"), e = k.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : k.substr(b, e - b + 1);
}

bool IsPasswordKey(const std::string& k) {
    return k == "password" || k == "pwd";
}

bool HasPassword(const std::string& text) {
    for (const auto& s : Segments(text))
        if (IsPasswordKey(SegmentKey(s))) return true;
    return false;
}

std::string WithoutPassword(const std::string& text) {
    std::string r;
    for (const auto& s : Segments(text)) {
        if (IsPasswordKey(SegmentKey(s))) continue;
        r += (r.empty() ? "" : ";") + s;
    }
    if (!text.empty() && text.back() == ';' && !r.empty()) r += ';';
    return r;
}

std::string Hex(const Bytes& b) {
    std::string r = "0x";
    char buf[4];
    for (uint8_t c : b) {
        std::snprintf(buf, sizeof buf, "%02X", c);
        r += buf;
    }
    return r;
}

}  // namespace

// Everything a connection keeps; shared with the writers of updatable
// recordsets, which may outlive a call but not the SQLDB.
struct SQLDBSession {
    std::string connStr;
    std::string savedPassword;
    int32_t commandTimeout = 30;
    bool keep = false;
    int32_t errNumber = 0;
    std::string errDescription;
    int32_t writeError = 0;  // number of the last failed row write-back
    std::unique_ptr<DBEngine> engine;

    bool Connected() const { return engine && engine->IsOpen(); }

    std::string FullString() const {
        if (HasPassword(connStr) || savedPassword.empty()) return connStr;
        std::string s = connStr;
        if (!s.empty() && s.back() != ';') s += ';';
        std::string value = savedPassword;
        if (value.find_first_of(";\"'") != std::string::npos || value.front() == ' ' ||
            value.back() == ' ') {
            // Quoted so that a ';' inside the password does not end it.
            std::string q = "\"";
            for (char c : value)
                q += c == '"' ? std::string("\"\"") : std::string(1, c);
            value = q + "\"";
        }
        return s + "Password=" + value;
    }

    bool Open(DBError& err) {
        if (Connected()) return true;
        ConnectionProperties props = ParseConnectionString(FullString());
        std::string provider = props.count("provider") ? props["provider"] : "";
        engine = CreateDBEngine(provider);
        if (!engine) {
            err.Set(kErrConnection,
                    "Provider cannot be found. It may not be properly installed. (Provider=" +
                        provider + ")");
            return false;
        }
        engine->SetCommandTimeout(commandTimeout);
        if (!engine->Open(props, err)) {
            engine.reset();
            return false;
        }
        // The platform drops the password from an opened connection's string
        // unless asked to keep it; ConnectionString puts the saved one back.
        auto persist = props.find("persist security info");
        if (persist == props.end() || LowerAscii(persist->second) != "true")
            connStr = WithoutPassword(connStr);
        return true;
    }

    void Close() {
        if (engine) engine->Close();
        engine.reset();
    }

    void SetLastError(int32_t number, const std::string& procedure,
                      const std::string& description) {
        errNumber = number;
        errDescription = "[" + procedure + "] " + description;
    }

    void Failed(const DBError& e, const std::string& procedure, const std::string& description) {
        SetLastError(e.Number, procedure, description);
        // A lost connection is reopened by the next call.
        if (e.Number == kErrConnection || !keep) Close();
    }

    void Done() {
        if (!keep) Close();
    }
};

struct SQLDB::Impl {
    std::shared_ptr<SQLDBSession> s = std::make_shared<SQLDBSession>();
};

namespace {

std::shared_ptr<Recordset> Chain(std::vector<std::shared_ptr<Recordset>> results) {
    std::vector<std::shared_ptr<Recordset>> list;
    for (auto& r : results)
        if (r) list.push_back(std::move(r));
    if (list.empty()) return std::make_shared<Recordset>(Recordset::Closed(-1));
    for (std::size_t i = 0; i + 1 < list.size(); ++i)
        list[i]->SetNextRecordset(list[i + 1]);
    return list.front();
}

void AttachWriter(const std::shared_ptr<Recordset>& rs, const std::string& table,
                  std::vector<int64_t> ids, std::weak_ptr<SQLDBSession> weak) {
    auto keys = std::make_shared<std::vector<int64_t>>(std::move(ids));
    rs->SetWriter([weak, table, keys](Recordset& r, bool isNew, std::string& error) -> bool {
        auto s = weak.lock();
        if (!s) {
            error = "The connection of this recordset no longer exists";
            return false;
        }
        DBError e;
        std::vector<std::pair<std::string, Variant>> values;
        Recordset::Row& row = r.CurrentRow();
        for (int idx : r.ChangedFields()) {
            const FieldInfo& f = r.FieldAt(idx);
            if (!f.BaseTable.empty() && LowerAscii(f.BaseTable) != LowerAscii(table)) continue;
            values.emplace_back(f.BaseColumn.empty() ? f.Name : f.BaseColumn,
                                row[static_cast<std::size_t>(idx)]);
        }
        std::size_t pos = static_cast<std::size_t>(r.Position());
        int64_t rowId = 0;
        if (!isNew) {
            if (pos >= keys->size()) {
                error = "The row has no key to be written back by";
                return false;
            }
            rowId = (*keys)[pos];
        }
        std::vector<std::pair<std::string, Variant>> refreshed;
        bool ok = s->Open(e) && s->engine->WriteRow(table, isNew, rowId, values, refreshed, e);
        if (!ok) {
            error = e.Message;
            s->writeError = e.Number;
            s->Failed(e, "Update", e.Message);
            return false;
        }
        if (isNew) {
            if (keys->size() <= pos) keys->resize(pos + 1, 0);
            (*keys)[pos] = rowId;
        }
        for (const auto& [name, value] : refreshed) {
            int i = r.FieldIndex(name);
            if (i >= 0) row[static_cast<std::size_t>(i)] = value;
        }
        s->Done();
        return true;
    });
}

std::string FormatValue(const Variant& v, bool unicode) {
    switch (v.Type()) {
        case VarType::Null:
            return "NULL";
        case VarType::Boolean:
            return v.ToBool() ? "1" : "0";
        case VarType::Date:
            return "'" + v.ToDateTime()->ToText() + "'";
        case VarType::Integer:
        case VarType::Double:
        case VarType::Currency:
            return v.ToText();
        case VarType::Binary:
            return Hex(v.ToBytes());
        default:
            return (unicode ? "N" : "") + SQLDB::EscapeValue(v.ToText());
    }
}

}  // namespace

SQLDB::SQLDB() : impl_(std::make_unique<Impl>()) {}
SQLDB::~SQLDB() {
    impl_->s->Close();
}

std::string SQLDB::ConnectionString() const {
    return impl_->s->FullString();
}

void SQLDB::SetConnectionString(const std::string& value) {
    SQLDBSession& s = *impl_->s;
    s.Close();
    s.connStr = value;
    ConnectionProperties props = ParseConnectionString(value);
    auto it = props.find("password");
    if (it == props.end()) it = props.find("pwd");
    s.savedPassword = it == props.end() ? "" : it->second;
}

bool SQLDB::Connected() const {
    return impl_->s->Connected();
}
int32_t SQLDB::CommandTimeout() const {
    return impl_->s->commandTimeout;
}
void SQLDB::SetCommandTimeout(int32_t seconds) {
    impl_->s->commandTimeout = seconds;
    if (impl_->s->engine) impl_->s->engine->SetCommandTimeout(seconds);
}
bool SQLDB::KeepConnection() const {
    return impl_->s->keep;
}
void SQLDB::SetKeepConnection(bool keep) {
    impl_->s->keep = keep;
}
int32_t SQLDB::ErrNumber() const {
    return impl_->s->errNumber;
}
const std::string& SQLDB::ErrDescription() const {
    return impl_->s->errDescription;
}

void SQLDB::SetLastError(int32_t number, const std::string& procedure,
                         const std::string& description) {
    impl_->s->SetLastError(number, procedure, description);
}

bool SQLDB::Connect() {
    DBError e;
    if (impl_->s->Open(e)) return true;
    impl_->s->SetLastError(e.Number, "Connect", e.Message);
    return false;
}

void SQLDB::Disconnect() {
    impl_->s->Close();
}

bool SQLDB::RunSQLNoReturn(const std::string& sql, int64_t* recordsAffected) {
    SQLDBSession& s = *impl_->s;
    DBError e;
    BatchOutput out;
    if (!s.Open(e) || !s.engine->Execute(sql, false, out, e)) {
        s.Failed(e, "RunSQLNoReturn", e.Message);
        return false;
    }
    if (recordsAffected != nullptr) *recordsAffected = out.RecordsAffected;
    s.Done();
    return true;
}

std::shared_ptr<Recordset> SQLDB::RunSQLReturnRS(const std::string& sql, bool updatable) {
    SQLDBSession& s = *impl_->s;
    DBError e;
    BatchOutput out;
    if (!s.Open(e) || !s.engine->Execute(sql, updatable, out, e)) {
        s.Failed(e, "RunSQLReturnRS", e.Message + " SQL=" + sql);
        return nullptr;
    }
    if (updatable && out.HasRowIds) {
        for (const auto& rs : out.Results) {
            if (rs && rs->IsOpen()) {
                AttachWriter(rs, out.BaseTable, std::move(out.RowIds), impl_->s);
                break;
            }
        }
    }
    s.Done();
    return Chain(std::move(out.Results));
}

std::shared_ptr<Recordset> SQLDB::OpenTable(const std::string& table) {
    std::string sql = "SELECT * FROM " + EscapeName(table);
    SQLDBSession& s = *impl_->s;
    DBError e;
    BatchOutput out;
    if (!s.Open(e) || !s.engine->Execute(sql, true, out, e)) {
        s.Failed(e, "OpenTable", e.Message + " SQL=" + EscapeName(table));
        return nullptr;
    }
    if (out.HasRowIds && !out.Results.empty())
        AttachWriter(out.Results.front(), out.BaseTable, std::move(out.RowIds), impl_->s);
    s.Done();
    return Chain(std::move(out.Results));
}

namespace {

// CollectParams: every list holds name, type, direction, size, value; an
// empty text value is passed as NULL.
bool CollectParams(const std::vector<ParamList>& params, std::vector<ProcedureArg>& args,
                   std::vector<std::pair<std::string, ProcedureArg>>& outputs) {
    for (const ParamList& p : params) {
        if (p.size() != 5) return false;
        ProcedureArg a;
        a.Name = p[0].ToText();
        a.Direction = p[2].ToInt32();
        a.Value = p[4];
        a.Type = p[1].ToInt32();
        a.Size = p[3].ToInt32();
        if (a.Value.Type() == VarType::Text && a.Value.ToText().empty()) a.Value = Variant();
        if (a.Direction == adParamOutput || a.Direction == adParamInputOutput)
            outputs.emplace_back(a.Name, a);
        if (a.Direction == adParamReturnValue) continue;
        args.push_back(std::move(a));
    }
    return true;
}

}  // namespace

struct SPCall {
    std::vector<ProcedureArg> args;
    std::vector<std::pair<std::string, ProcedureArg>> outputs;
    ProcedureResult result;
};

static bool RunProcedure(SQLDBSession& s, const std::string& procedure,
                         const std::vector<ParamList>& params, const char* caller, SPCall& call) {
    if (!CollectParams(params, call.args, call.outputs)) {
        s.SetLastError(5, caller, "CollectParams(...): incorrect # of parameters SQL=" + procedure);
        if (!s.keep) s.Close();
        return false;
    }
    DBError e;
    if (!s.Open(e) || !s.engine->CallProcedure(procedure, call.args, call.result, e)) {
        s.Failed(e, caller, e.Message + " SQL=" + procedure);
        return false;
    }
    s.Done();
    return true;
}

std::shared_ptr<Recordset> SQLDB::RunSPReturnRS(const std::string& procedure,
                                                const std::vector<ParamList>& params) {
    SPCall call;
    if (!RunProcedure(*impl_->s, procedure, params, "RunSPReturnRS", call)) return nullptr;
    return Chain(std::move(call.result.ResultSets));
}

int64_t SQLDB::RunSPReturnInteger(const std::string& procedure,
                                  const std::vector<ParamList>& params) {
    SPCall call;
    if (!RunProcedure(*impl_->s, procedure, params, "RunSPReturnInteger", call)) return 0;
    return call.result.ReturnValue;
}

std::vector<OutputParam> SQLDB::RunSPReturnParams(const std::string& procedure,
                                                  const std::vector<ParamList>& params) {
    SPCall call;
    std::vector<OutputParam> list;
    if (!RunProcedure(*impl_->s, procedure, params, "RunSPReturnParams", call)) return list;
    for (const auto& [name, arg] : call.outputs) {
        OutputParam o;
        o.Name = name;
        o.Direction = arg.Direction;
        o.Value = arg.Direction == adParamInputOutput ? arg.Value : Variant();
        for (const auto& r : call.result.Outputs)
            if (ParamKey(r.Name) == ParamKey(name)) o.Value = r.Value;
        list.push_back(std::move(o));
    }
    return list;
}

bool SQLDB::RunSPNoReturn(const std::string& procedure, const std::vector<ParamList>& params) {
    SPCall call;
    return RunProcedure(*impl_->s, procedure, params, "RunSPNoReturn", call);
}

ParamList SQLDB::mp(const std::string& name, int type, int32_t size, const Variant& value,
                    int direction) {
    return ParamList{Variant(name), Variant(type), Variant(direction), Variant(size), value};
}

bool SQLDB::UpdateRecordSQL(const std::string& table, const std::vector<Variant>& setPairs,
                            const std::vector<Variant>& wherePairs, bool unicode) {
    if (setPairs.size() % 2 != 0 || wherePairs.size() % 2 != 0) {
        SetLastError(5, "UpdateRecordSQL", "Name/value lists must hold pairs");
        return false;
    }
    std::string sets, wheres;
    for (std::size_t i = 0; i < setPairs.size(); i += 2)
        sets +=
            "," + EscapeName(setPairs[i].ToText()) + "=" + FormatValue(setPairs[i + 1], unicode);
    for (std::size_t i = 0; i < wherePairs.size(); i += 2)
        wheres += " AND " + EscapeName(wherePairs[i].ToText()) + "=" +
                  FormatValue(wherePairs[i + 1], unicode);
    std::string sql = "UPDATE " + EscapeName(table) + "SET " +
                      (sets.empty() ? "" : sets.substr(1)) + " WHERE " +
                      (wheres.empty() ? "" : wheres.substr(5));
    if (!RunSQLNoReturn(sql)) {
        impl_->s->errDescription += "(" + sql + ")";
        return false;
    }
    return true;
}

bool SQLDB::InsertRecordSQL(const std::string& table, const std::vector<Variant>& valuePairs,
                            bool unicode, int32_t& newID) {
    if (valuePairs.size() % 2 != 0) {
        SetLastError(5, "InsertRecordSQL", "Name/value lists must hold pairs");
        return false;
    }
    std::string cols, vals;
    for (std::size_t i = 0; i < valuePairs.size(); i += 2) {
        cols += "," + EscapeName(valuePairs[i].ToText());
        vals += "," + FormatValue(valuePairs[i + 1], unicode);
    }
    std::string sql = "INSERT INTO " + EscapeName(table) + "(" +
                      (cols.empty() ? "" : cols.substr(1)) + ") values (" +
                      (vals.empty() ? "" : vals.substr(1)) + ")" + " SELECT @@IDENTITY AS ID";
    auto rs = RunSQLReturnRS(sql);
    if (!rs) {
        impl_->s->errDescription += "(" + sql + ")";
        return false;
    }
    auto last = LastRecordset(rs);
    if (last && !last->Eof()) newID = FieldLng(last.get(), "ID", 0);
    return true;
}

namespace {

bool SetFields(SQLDBSession& s, Recordset& rs, const std::vector<std::string>& names,
               const std::vector<Variant>& values, const char* caller) {
    if (names.size() != values.size()) {
        s.SetLastError(5, caller, "Names and values differ in number");
        return false;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!rs.SetValue(names[i], values[i])) {
            s.SetLastError(3265, caller,
                           "Item cannot be found in the collection corresponding to the requested "
                           "name or ordinal. (" +
                               names[i] + ")");
            return false;
        }
    }
    s.writeError = 0;
    std::string error;
    if (!rs.Update(error)) {
        s.SetLastError(s.writeError != 0 ? s.writeError : kErrSql, caller, error);
        return false;
    }
    return true;
}

}  // namespace

bool SQLDB::UpdateRecord(Recordset& rs, const std::vector<std::string>& names,
                         const std::vector<Variant>& values) {
    return SetFields(*impl_->s, rs, names, values, "UpdateRecord");
}

bool SQLDB::InsertRecordRS(Recordset& rs, const std::vector<std::string>& names,
                           const std::vector<Variant>& values) {
    rs.AddNew();
    return SetFields(*impl_->s, rs, names, values, "InsertRecordRS");
}

std::string SQLDB::EscapeName(const std::string& s) {
    std::string r = "[";
    for (char c : s) {
        r += c;
        if (c == ']') r += ']';
    }
    return r + "]";
}

std::string SQLDB::EscapeValue(const std::string& s) {
    return "'" + SQLEscape(s) + "'";
}

std::string SQLDB::EscapeLike(const std::string& s) {
    std::string r;
    char prev = '\0';
    for (char c : s) {
        switch (c) {
            case '*':
                if (prev != '*') r += '%';
                break;
            case '?':
                r += '_';
                break;
            case '[':
            case '%':
            case '_':
            case '\\':
                r += '\\';
                r += c;
                break;
            case '\'':
                r += "''";
                break;
            default:
                r += c;
        }
        prev = c;
    }
    return "'" + r + "' ESCAPE '\\'";
}
