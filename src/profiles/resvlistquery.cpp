// The reservation-list queries built from a profile definition: one column
// per listed field, guest columns read from the guest profile, pseudo-fields
// from the joined tables, and the table bindings of the listed reservations.
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "profiles/datatype.h"
#include "profiles/profiledefinition.h"
#include "reservations/reservations.h"
#include "reservations/resvlistcriteria.h"
#include "reservations/resvrules.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kClass = "ProfileDefinition";
constexpr const char* kCrLf = "\r\n";

// Columns the loaders need whether or not the definition lists them.
const char* const kKeyColumns[] = {"ReserveID", "DBServerID", "OutletID",    "MPOutletID",
                                   "GuestID",   "RowStatus",  "ReserveDate", "ReserveTime"};

// The column read in the form its data type is listed in.
std::string Converted(const std::string& dataType, const std::string& column) {
    if (dataType == "DT") return "convert(VarChar(19),  " + column + ", 121)";
    if (dataType == "D") return "left(convert(VarChar(19),  " + column + ", 121), 10)";
    if (ProfileDataType::IsTime(dataType))
        return "substring(convert(VarChar(19),  " + column + ", 121), 12, 5)";
    return column;
}

// A name column in the language, English when that one is blank.
std::string NameIn(const std::string& alias, int language) {
    if (language <= 1 || language > 3) return alias + ".NameL1";
    const std::string l = alias + ".NameL" + std::to_string(language);
    return "Case When IsNull(" + l + ",'')='' Then " + alias + ".NameL1 Else " + l + " END";
}

struct PseudoSource {
    std::string expression;
    std::string join;  // left outer join, so a row without the source still lists
};

bool IsIndicator(const std::string& code) {
    return UpperAscii(code).rfind("SYS_RESVINDICATOR_", 0) == 0;
}

int32_t PseudoGuestID() {
    return g_oConfig != nullptr ? g_oConfig->PseudoGuestID() : 0;
}

std::string Money(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

}  // namespace

std::string ProfileDefinition::UserNameColumn(const std::string& alias) const {
    const bool login =
        g_oConfig == nullptr || g_oConfig->ConfigParam("DisplayUserLoginID").ToInt32() == 1;
    return login ? alias + ".LoginID" : NameIn(alias, language_);
}

std::string ProfileDefinition::GuestValueSQL(const ProfileField& f) const {
    const std::string column = f.DBField();
    const std::string dt = f.DataType();
    if (!f.DataFromResvTable()) return Converted(dt, "G." + column) + " As " + column;
    // The placeholder guest (and a booking without a guest) keep the names
    // typed into the reservation.
    return "Case When R.GuestID=" + std::to_string(PseudoGuestID()) +
           " OR G.GuestID IS NULL Then " + Converted(dt, "R." + column) + " Else " +
           Converted(dt, "G." + column) + " END as " + column;
}

std::string ProfileDefinition::ResvListSQL(const ResvListCriteria& criteria) const {
    // The columns and joins depend on the fields and a few settings only: a
    // list read again (every refresh of a view) reuses them.
    const std::string key = std::to_string(language_) + "|" + std::to_string(PseudoGuestID()) +
                            "|" + UserNameColumn("U");
    if (listHead_.empty() || key != listHeadKey_) {
        listHead_ = ResvListHead();
        listHeadKey_ = key;
    }
    const std::string conditions = criteria.BuildConditions("R");
    return listHead_ + (conditions.empty() ? "" : " WHERE " + conditions.substr(4)) +
           criteria.SQLOrderByStatement();
}

std::string ProfileDefinition::ResvListHead() const {
    const std::map<std::string, PseudoSource> sources = {
        {"SYS_OUTLETNAME",
         {NameIn("O", language_), " Left Outer Join tbl_Outlet O On O.OutletID = R.OutletID "}},
        {"SYS_MPNAME",
         {NameIn("MP", language_),
          " Left Outer Join tbl_MPOutlet MP On MP.MPOutletID = R.MPOutletID "}},
        {"SYS_CREATEUSER",
         {UserNameColumn("U1"), " Left Outer Join tbl_User U1 On U1.UserID = R.CreateUserID "}},
        {"SYS_UPDATEUSER",
         {UserNameColumn("U2"), " Left Outer Join tbl_User U2 On U2.UserID = R.UpdateUserID "}},
        {"SYS_CANCELUSER",
         {UserNameColumn("U3"), " Left Outer Join tbl_User U3 On U3.UserID = R.CancelUserID "}},
        {"SYS_UPDATECLIENT",
         {"C.ClientCode + ' (' + " + NameIn("C", language_) + " + ')'",
          " Left Outer Join tbl_Client C On C.ClientID = R.UpdateClientID "}},
        {"SYS_CANCELCODE",
         {"MG.MsgCode", " Left Outer Join tbl_Message MG On MG.MsgID = R.CancelMsgID "}},
    };
    std::string select, joins;
    std::set<std::string> selected;
    auto add = [&](const std::string& expression) {
        select += (select.empty() ? "" : ",") + expression;
    };
    bool indicators = false;
    for (const ProfileField* f : ListedFields()) {
        const std::string code = f->ProfileCode();
        if (IsIndicator(code)) {
            indicators = true;  // worked out from the row once it is read
            continue;
        }
        if (f->IsPseudo()) {
            auto it = sources.find(UpperAscii(code));
            if (it == sources.end()) {
                add("'' AS " + code);
            } else {
                add(it->second.expression + " AS " + code);
                if (joins.find(it->second.join) == std::string::npos) joins += it->second.join;
            }
            continue;
        }
        const std::string column = f->DBField();
        if (column.empty() || !selected.insert(column).second) continue;
        if (f->DataFromGuestTable()) {
            add(GuestValueSQL(*f));
            continue;
        }
        const std::string expr = Converted(f->DataType(), "R." + column);
        add(expr == "R." + column ? expr : expr + " As " + column);
    }
    for (const char* key : kKeyColumns) {
        if (selected.insert(key).second) add(std::string("R.") + key);
    }
    // A source this workstation leaves out stays out: its indicator is blank.
    for (const char* key : kResvIndicatorSources) {
        const bool ignored =
            std::find(ignored_.begin(), ignored_.end(), UpperAscii(key)) != ignored_.end();
        if (indicators && !ignored && selected.insert(key).second) add(std::string("R.") + key);
    }
    return "Select " + select + " From tbl_Reservation R " +
           " Left Outer Join tbl_Guest G On G.GuestID=R.GuestID " + joins;
}

std::string ProfileDefinition::ResvBindingsSQL(const ResvListCriteria& criteria) const {
    return std::string("Select TR.*,R.ReserveTime,R.MPOutletID") + kCrLf +
           "From tbl_Reservation R, tbl_TableReserve TR " +
           " Where R.RowStatus IN ('A','X','C') AND TR.RowStatus IN ('A','X') AND "
           "R.ReserveID=TR.ReserveID " +
           criteria.BuildConditions("R") + " Order By R.ReserveID, TR.TableReserveID, TR.TableNo";
}

bool ProfileDefinition::LoadResvList(SQLDB& db, const ResvListCriteria& criteria,
                                     Reservations& out) {
    const std::string sql = ResvListSQL(criteria);
    auto rs = db.RunSQLReturnRS(sql);
    if (!CheckQuery(*this, db, rs.get(), sql, kClass, "LoadResvList")) return false;
    const ResvColumnPlan plan = MakeResvColumnPlan(*rs, *this);
    bool indicators = false;
    for (const ProfileField* f : ListedFields())
        indicators = indicators || IsIndicator(f->ProfileCode());
    for (; !rs->Eof(); rs->MoveNext()) {
        Reservation* r = out.LoadRow(rs.get(), plan);
        if (r == nullptr)
            WriteLog("Reservation load fail: " + out.ErrDescription(), kClass, "LoadResvList");
        else if (indicators)
            FillResvIndicators(*r);
    }
    const std::string bindSql = ResvBindingsSQL(criteria);
    auto binds = db.RunSQLReturnRS(bindSql);
    if (!CheckQuery(*this, db, binds.get(), bindSql, kClass, "LoadResvList")) return false;
    // Meal-period bounds are read once per period, not once per binding.
    std::map<int32_t, std::optional<PeriodParts>> periods;
    auto partsOf = [&](int32_t mpOutletID) -> const std::optional<PeriodParts>& {
        auto it = periods.find(mpOutletID);
        if (it != periods.end()) return it->second;
        std::optional<PeriodParts> parts;
        const std::string q =
            "select MPStartTime,MPEndTime1,MPStartTime2,MPEndTime from tbl_MPOutlet where "
            "MPOutletID=" +
            std::to_string(mpOutletID);
        auto m = db.RunSQLReturnRS(q);
        if (m == nullptr) WriteSQLLog(db.ErrDescription(), q, kClass, "LoadResvList");
        if (m != nullptr && !m->Eof()) {
            parts =
                PeriodParts{FieldDate(m.get(), "MPStartTime"), FieldDate(m.get(), "MPEndTime1"),
                            FieldDate(m.get(), "MPStartTime2"), FieldDate(m.get(), "MPEndTime")};
        }
        return periods.emplace(mpOutletID, parts).first->second;
    };
    // The two columns the part flags need are found once, not per binding.
    const int mpColumn = binds->FieldIndex("MPOutletID");
    const int timeColumn = binds->FieldIndex("ReserveTime");
    auto cell = [&](int column) -> const Variant& {
        static const Variant kNull;
        const Variant* v = column >= 0 ? binds->Field(column) : nullptr;
        return v != nullptr ? *v : kNull;
    };
    const TableReserveColumns columns = TableReserveColumns::Of(*binds);
    for (; !binds->Eof(); binds->MoveNext()) {
        auto tr = std::make_shared<TableReserve>();
        if (!tr->LoadColumns(binds.get(), columns)) continue;
        Reservation* r = out.Item(tr->ReserveID());
        if (r == nullptr || r->TableReserves().Exists(tr->TableReserveID())) continue;
        bool ok = false;
        const int32_t mp = cell(mpColumn).ToInt32(&ok);
        const auto time = cell(timeColumn).ToDateTime();
        if (const auto& parts = partsOf(ok ? mp : 0))
            tr->SetPartFlags(ComputePartFlags(*parts, time ? *time : DateTime{}));
        r->TableReserves().Add(tr->TableReserveID(), tr);
    }
    for (const auto& [id, r] : out.Items()) {
        std::string tables, ids;
        double total = 0;
        for (const auto& [trID, tr] : r->TableReserves()) {
            tables += (tables.empty() ? "" : ",") + tr->TableNo();
            ids += (ids.empty() ? "" : ",") + std::to_string(trID);
            total += tr->CheckTotal();
        }
        r->SetField("SYS_TableNoList", tables);
        r->SetField("SYS_TableResvIDList", ids);
        r->SetField("SYS_CheckTotal", Money(total));
    }
    return true;
}
