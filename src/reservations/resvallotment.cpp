#include "reservations/resvallotment.h"

#include <algorithm>
#include <map>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "reservations/kivfuncsupport.h"
#include "sql/sqldb.h"
#include "venue/outlet.h"

namespace {

constexpr const char* kModule = "modGlobal";
constexpr const char* kProc = "UpdateResvCheckWebAllotment";

// What one capacity class (or, for covers, the whole period) offers.
struct Allotment {
    int64_t allot = 0, all = 0, web = 0, current = 0, avail = 0, asked = 0;
    // Free for the booking: its own use is in `avail` and taken out once.
    int64_t FreeForIt() const { return avail - current; }
    // The web part not yet sold stays out of a staff booking's reach.
    int64_t StaffFree() const { return FreeForIt() - std::max<int64_t>(0, allot - web); }
};

void Warn(const std::string& text, std::string* message) {
    if (message != nullptr) *message = text;
    UI().MessageBox(text, MsgIcon::Exclamation, GetMLText("Web Allotment"));
}

// Runs the procedure; false (logged) when it fails or refuses.
bool ReadRows(SQLDB& db, const std::string& sql, std::map<int64_t, Allotment>& rows) {
    std::shared_ptr<Recordset> rs = FirstOpenRecordset(db.RunSQLReturnRS(sql));
    if (rs == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, kModule, kProc);
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        if (UpperAscii(FieldStr(rs.get(), "Return")) != "P") {
            WriteLog("Return <> 'P' ", kModule, kProc);
            return false;
        }
        Allotment& a = rows[FieldLng(rs.get(), "Capacity")];
        a.allot = FieldLng(rs.get(), "AllotTables");
        a.all = FieldLng(rs.get(), "ReservedCountAllResv");
        a.web = FieldLng(rs.get(), "ReservedCountWeb");
        a.current = FieldLng(rs.get(), "ReservedCountCurrentResv");
        a.avail = FieldLng(rs.get(), "AvailCapacity");
        a.asked = FieldLng(rs.get(), "ACapacity");
    }
    return true;
}

std::string ExecSQL(const Outlet& outlet, int32_t mp, const DateTime& date, int64_t size,
                    int64_t amount, int32_t reserveID) {
    return "Exec sp_WebKIV_GetAllotmentByDate " + Str(outlet.OutletID()) + ", " + Str(mp) + ", " +
           SQLStr(date.Format("yyyy-mm-dd")) + ", " + Str(size) + ", " + Str(amount) + ", " +
           Str(outlet.AllotmentType()) + ", " + Str(reserveID);
}

bool CheckTables(SQLDB& db, int32_t reserveID, const std::vector<AllotTable>& tables,
                 const DateTime& date, const Outlet& outlet, int32_t mp, bool internet,
                 std::string* message) {
    std::map<int64_t, int64_t> wanted;  // tables asked for, by size
    for (const AllotTable& t : tables)
        ++wanted[t.Capacity];
    for (const auto& [size, count] : wanted) {
        std::map<int64_t, Allotment> rows;
        if (!ReadRows(db, ExecSQL(outlet, mp, date, size, count, reserveID), rows)) {
            Warn(GetMLText("Cannot read the web allotment"), message);
            return false;
        }
        const Allotment a = rows[size];
        const std::string capacity = "\n" + GetMLText("Capacity: ") + Str(size);
        if (!internet && a.asked > a.StaffFree() && a.asked <= a.FreeForIt()) {
            WriteLog("Alloted Table <= Assigned Table's Internet Booking", kModule, kProc);
            Warn(GetMLText("Only ") + Str(std::max<int64_t>(0, a.StaffFree())) +
                     GetMLText(" tables are alloted for web reservations.") + capacity,
                 message);
            return false;
        }
        if (a.asked > a.FreeForIt()) {
            WriteLog("Available Capacity < Sum of Target Capacity", kModule, kProc);
            Warn((a.FreeForIt() <= 0 ? GetMLText("Tables are fully occupied, ") : "") +
                     GetMLText("Selected tables are greater than the total available table. ") +
                     capacity,
                 message);
            return false;
        }
    }
    return true;
}

bool CheckCovers(SQLDB& db, int32_t reserveID, int32_t covers, const DateTime& date,
                 const Outlet& outlet, int32_t mp, bool internet, std::string* message) {
    std::map<int64_t, Allotment> rows;
    if (!ReadRows(db, ExecSQL(outlet, mp, date, 0, covers, reserveID), rows)) {
        Warn(GetMLText("Cannot read the web allotment"), message);
        return false;
    }
    Allotment sum;
    for (const auto& [size, a] : rows) {
        sum.allot += a.allot;
        sum.all += a.all;
        sum.web += a.web;
        sum.current += a.current;
        sum.avail += a.avail;
    }
    if (!internet && covers > sum.StaffFree() && covers <= sum.FreeForIt()) {
        WriteLog("Alloted Table <= Assigned Table's Internet Booking", kModule, kProc);
        Warn(GetMLText("Only ") + Str(std::max<int64_t>(0, sum.StaffFree())) +
                 GetMLText(" covers are alloted for web reservations.") + "\n" +
                 GetMLText("Reserve Cover: ") + Str(covers) + GetMLText(", Occupied Cover: ") +
                 Str(sum.all),
             message);
        return false;
    }
    if (covers > sum.FreeForIt()) {
        WriteLog("Available Capacity < Sum of Target Capacity", kModule, kProc);
        Warn((sum.FreeForIt() <= 0 ? GetMLText("Outlet is fully occupied, ") : "") +
                 GetMLText("Reserve cover is greater than the total available cover. ") +
                 GetMLText("Reserve Cover: ") + Str(covers) +
                 GetMLText(", Total Available Cover: ") +
                 Str(std::max<int64_t>(0, sum.FreeForIt())),
             message);
        return false;
    }
    return true;
}

}  // namespace

bool UpdateResvCheckWebAllotment(SQLDB& db, int32_t reserveID,
                                 const std::vector<AllotTable>& tables, int32_t covers,
                                 const DateTime& date, const Outlet& outlet, int32_t mpOutletID,
                                 bool internetBooking, std::string* message) {
    if (message != nullptr) message->clear();
    const bool on = g_oConfig != nullptr && g_oConfig->ConfigParam("WebBooking").ToInt32() == 1;
    if (!on || !outlet.AllowWebBooking()) return true;
    const int32_t kind = outlet.AllotmentType();
    if (kind != 1 && kind != 2) return true;
    const std::string name = "outlet(" + Str(outlet.OutletID()) + ") ";
    WriteLog("Checking allotment for " + name, kModule, kProc);
    if (!date.Valid() || date.Year < 1901) {
        WriteLog("Resv Date is missed for " + name, kModule, kProc);
        return false;
    }
    if (outlet.OutletID() <= 0) {
        WriteLog("lOutletID is missed for " + name, kModule, kProc);
        return false;
    }
    if (mpOutletID <= 0) {
        WriteLog("MPOutletID is missed for " + name, kModule, kProc);
        return false;
    }
    if (kind == 1)
        return CheckTables(db, reserveID, tables, date, outlet, mpOutletID, internetBooking,
                           message);
    return CheckCovers(db, reserveID, covers, date, outlet, mpOutletID, internetBooking, message);
}
