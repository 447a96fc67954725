#pragma once
// The statements the workstation's loaders come down to, written for SQLite
// directly: the yardstick of the loader benchmarks. Header only: every .cpp
// in this folder is a program of its own.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "benchsupport.h"
#include "profiles/profiledefinition.h"

// The plans in force (found by the floor-plan procedure's own assignment
// query), their tables, the duplicate numbers, the outlet's status rows, and
// the holds and blocks of the day and meal period. The sum of what was read.
inline int64_t StepPlanStatements(sqlite3* db, const std::string& day, const std::string& outlet,
                                  const std::string& mp) {
    std::vector<int64_t> plans;
    int64_t sum =
        StepAll(db,
                "SELECT FO.FPID, IFNULL(FO.SeqNo, 0), IFNULL(FO.Capacity, 0),"
                " CASE WHEN FO.BizDate IS NOT NULL THEN (CASE WHEN FO.BizDate = ? THEN 1 END)"
                " WHEN FO.CalendarGroupID IS NOT NULL THEN (CASE WHEN EXISTS (SELECT 1 FROM"
                " tbl_Calendar C WHERE C.RowStatus = 'A' AND C.CalendarGroupID = FO.CalendarGroupID"
                " AND C.CalendarDate = ?) THEN 2 END) ELSE 3 END AS Level,"
                " (SELECT IFNULL(SUM(T.TCapacity), 0) FROM tbl_FPTable T WHERE T.FPID = FO.FPID"
                " AND T.RowStatus = 'A') AS Seats FROM tbl_FPOutlet FO JOIN tbl_FloorPlan FP ON"
                " FP.FPID = FO.FPID AND FP.RowStatus = 'A' WHERE FO.RowStatus = 'A' AND"
                " FO.OutletID = ? AND (FO.MPOutletID = ? OR FO.MPOutletID IS NULL)"
                " ORDER BY IFNULL(FO.SeqNo, 0), FO.FPID",
                {day, day, outlet, mp}, &plans);
    std::string ids;
    for (int64_t id : plans) {
        const std::string fp = std::to_string(id);
        sum += StepAll(db,
                       "SELECT FP.*, 1 AS SeqNo, 0 AS Capacity FROM tbl_FloorPlan FP"
                       " WHERE FP.FPID = ?",
                       {fp});
        sum += StepAll(db, "SELECT * FROM tbl_FPTable WHERE RowStatus='A' AND FPID = " + fp, {});
        ids += (ids.empty() ? "" : ",") + fp;
    }
    sum += StepAll(db,
                   "SELECT TableNo FROM tbl_FPTable WHERE FPID IN (" + ids +
                       ") AND RowStatus='A' GROUP BY TableNo HAVING COUNT(TableNo) > 1"
                       " ORDER BY TableNo",
                   {});
    sum += StepAll(db, "SELECT * FROM tbl_TableStatus WHERE RowStatus='A' AND OutletID = " + outlet,
                   {});
    sum += StepAll(db,
                   "SELECT TempID, TableNo, ClientID, UserID, HoldDT, OutletID, MPOutletID,"
                   " ReserveDate FROM tbl_TableTemp WHERE RowStatus = 'A' AND OutletID = ?"
                   " AND ReserveDate = ? AND MPOutletID = ? ORDER BY TableNo",
                   {outlet, day, mp});
    sum += StepAll(db,
                   "SELECT * FROM tbl_TableBlock AS t LEFT OUTER JOIN (SELECT * FROM tbl_User"
                   " WHERE RowStatus='A') u ON t.BlockUserID=u.UserID WHERE t.RowStatus='A' AND"
                   " OutletID = " +
                       outlet + " AND MPOutletID = " + mp +
                       " AND ((BeginDate <= ?1 AND EndDate >= ?1) OR (BeginDate <= ?1 AND"
                       " EndDate IS NULL) OR (BeginDate IS NULL AND EndDate >= ?1))",
                   {day});
    return sum;
}

// The list statement in SQLite's own words, built from the same definition:
// the same columns, conversions, guest cases and joins.
inline std::string RawListSql(const ProfileDefinition& def, const std::string& conditions) {
    auto conv = [](const std::string& dt, const std::string& col) {
        if (dt == "D") return "substr(" + col + ", 1, 10)";
        if (dt == "TM") return "substr(" + col + ", 1, 5)";
        return col;
    };
    std::string select, joins;
    for (const ProfileField* f : def.ListedFields()) {
        const std::string code = f->ProfileCode(), col = f->DBField(), dt = f->DataType();
        std::string e;
        if (code == "SYS_OutletName") {
            e = "O.NameL1";
            joins += " LEFT JOIN tbl_Outlet O ON O.OutletID = R.OutletID";
        } else if (code == "SYS_MPName") {
            e = "MP.NameL1";
            joins += " LEFT JOIN tbl_MPOutlet MP ON MP.MPOutletID = R.MPOutletID";
        } else if (code == "SYS_CreateUser" || code == "SYS_UpdateUser") {
            const std::string u = code == "SYS_CreateUser" ? "U1" : "U2";
            e = u + ".LoginID";
            joins += " LEFT JOIN tbl_User " + u + " ON " + u + ".UserID = R." +
                     (u == "U1" ? "CreateUserID" : "UpdateUserID");
        } else if (code == "SYS_UpdateClient") {
            e = "C.ClientCode || ' (' || C.NameL1 || ')'";
            joins += " LEFT JOIN tbl_Client C ON C.ClientID = R.UpdateClientID";
        } else if (code == "SYS_CancelCode") {
            e = "MG.MsgCode";
            joins += " LEFT JOIN tbl_Message MG ON MG.MsgID = R.CancelMsgID";
        } else if (f->IsPseudo()) {
            e = "''";
        } else if (f->DataFromGuestTable()) {
            e = "CASE WHEN R.GuestID=1 OR G.GuestID IS NULL THEN " + conv(dt, "R." + col) +
                " ELSE " + conv(dt, "G." + col) + " END";
        } else {
            e = conv(dt, "R." + col);
        }
        select += (select.empty() ? "" : ",") + e + " AS " + code;
    }
    select += ",R.DBServerID,R.OutletID,R.MPOutletID,R.GuestID,R.ReserveID";
    return "SELECT " + select +
           " FROM tbl_Reservation R LEFT JOIN tbl_Guest G ON G.GuestID=R.GuestID" + joins +
           " WHERE 1=1" + conditions;
}

// The bindings of the listed reservations.
inline std::string RawBindingsSql(const std::string& conditions) {
    return "SELECT TR.*, R.ReserveTime, R.MPOutletID FROM tbl_Reservation R, tbl_TableReserve TR"
           " WHERE R.RowStatus IN ('A','X','C') AND TR.RowStatus IN ('A','X') AND"
           " R.ReserveID=TR.ReserveID" +
           conditions + " ORDER BY R.ReserveID, TR.TableReserveID, TR.TableNo";
}
