// Console commands of the reservation operations: table holds, cancelling,
// settling, arrival covers, table bindings, table blocks, and the update of
// a reservation's form fields; each change is announced to the other
// workstations through the outlet's KIV server.
#include "app/opscommands.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>

#include "app/resvfind.h"
#include "app/sessionfunc.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "messages/resvmessenger.h"
#include "messaging/kiv.h"
#include "platform/eventloop.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "profiles/profiledefinition.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "reservations/dbtransaction.h"
#include "reservations/holdrule.h"
#include "reservations/kivfunc.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/fptable.h"
#include "venue/outlets.h"

namespace {

constexpr const char* kModule = "Console";

int32_t ThisClientID() {
    return g_oClient != nullptr ? g_oClient->ClientID() : 0;
}

}  // namespace

bool HasRight(Shell& shell, int index, int sub) {
    if (g_oUser != nullptr && g_oUser->CheckFERight(index, 1 << (sub - 1), false)) return true;
    std::string what = g_oConfig != nullptr
                           ? g_oConfig->UserRight("FE:" + Str(index) + ":" + Str(sub))
                           : std::string();
    shell.Error(GetMLText("You have no right to do this") + (what.empty() ? "" : ": " + what));
    return false;
}

bool LoadResvRow(SQLDB& db, int32_t id, Reservation& r) {
    auto rs = db.RunSQLReturnRS("SELECT * FROM tbl_Reservation WHERE ReserveID=" + Str(id) +
                                " AND RowStatus<>'D'");
    if (rs == nullptr || rs->Eof()) return false;
    for (int i = 0; i < rs->FieldCount(); ++i)
        r.SetField(rs->FieldAt(i).Name, *rs->Field(i));
    return true;
}

bool OpenTarget(Shell& shell, const std::vector<std::string>& args, Target& t) {
    if (!FindReservation(shell, t.outlets, args, t.id, t.found)) return false;
    if (!LoadResvRow(*t.found.db, t.id, t.r)) {
        shell.Error(GetMLText("Reservation not found") + ": " + Str(t.id));
        return false;
    }
    return true;
}

bool RequireActive(Shell& shell, const Target& t) {
    if (UpperAscii(t.r.GetFieldText("RowStatus")) == "A") return true;
    shell.Error(GetMLText("Reservation is not active") + ": " + Str(t.id));
    return false;
}

std::string FailureReason(const ErrorState& from) {
    if (from.ErrNumber() == kErrPOSReply) return ": " + from.ErrDescription();
    // "Class:Procedure:message": the message alone.
    const std::string& d = from.ErrDescription();
    const auto first = d.find(':');
    const auto second = first == std::string::npos ? first : d.find(':', first + 1);
    if (second == std::string::npos) return d.empty() ? "" : ": " + d;
    return ": " + d.substr(second + 1);
}

std::optional<DateTime> ResvDate(const Reservation& r) {
    return r.GetField("ReserveDate").ToDateTime();
}

bool ReadOptions(Shell& shell, const std::vector<std::string>& args,
                 const std::vector<std::string>& withValue, const std::vector<std::string>& flags,
                 Options& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            o.words.push_back(a);
        } else if (std::find(flags.begin(), flags.end(), a) != flags.end()) {
            o.values[a] = "";
        } else if (std::find(withValue.begin(), withValue.end(), a) != withValue.end() &&
                   i + 1 < args.size()) {
            o.values[a] = args[++i];
        } else {
            shell.Error(GetMLText("Unknown option") + ": " + a);
            return false;
        }
    }
    return true;
}

namespace {

void PrintRefusal(Shell& shell, const std::string& tableNo, HoldRefusal refusal) {
    shell.Error(GetMLText("Table") + " " + tableNo + " " + GetMLText("cannot be held:") + " " +
                GetMLText(HoldRefusalText(refusal)));
}

// PERIOD of the outlet by code or id; an id of another outlet's period is
// passed on, so that the hold rule can name the reason.
bool PeriodArg(Shell& shell, const Outlet& outlet, const std::string& arg, int32_t& mp) {
    for (const auto& [id, period] : outlet.GetMPOutlets().Items()) {
        if ((AllDigits(arg) && std::stol(arg) == id) ||
            UpperAscii(period.MPCode()) == UpperAscii(arg)) {
            mp = id;
            return true;
        }
    }
    if (AllDigits(arg)) {
        mp = static_cast<int32_t>(std::stol(arg));
        return true;
    }
    shell.Error(GetMLText("Unknown meal period") + ": " + arg);
    return false;
}

void Hold(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 4, "hold OUTLET DATE PERIOD TABLE")) return;
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    const auto day = ParseDay(shell, args[1]);
    int32_t mp = 0;
    if (!day || !PeriodArg(shell, *outlet, args[2], mp)) return;
    SQLDB* db = OutletSQLDB(shell, *outlet);
    if (db == nullptr) return;
    const std::string tableNo = UpperAscii(args[3]);
    SessionFunc func(shell);
    HoldRule rule(*func, *db, *outlet, *day, mp);
    HoldRefusal refusal = rule.Check(tableNo);
    if (refusal != HoldRefusal::None) return PrintRefusal(shell, tableNo, refusal);
    int64_t result = 0;
    const int32_t user = g_oUser != nullptr ? g_oUser->UserID() : 0;
    auto hold = func->TempHoldTable(*db, outlet->DBServerID(), outlet->OutletID(), *day, mp,
                                    tableNo, user, ThisClientID(), 0, &result);
    if (hold != nullptr) {
        shell.Out("held\t" + Str(hold->TempID()) + "\t" + hold->TableNo());
        return;
    }
    refusal = result == -1   ? HoldRefusal::Booked
              : result == -2 ? HoldRefusal::BadInput
              : result < 0   ? HoldRefusal::Failed
                             : HoldRefusal::HeldByOther;
    if (result == 0) {
        auto rs = db->RunSQLReturnRS(
            "SELECT ClientID FROM tbl_TableTemp WHERE RowStatus='A' AND OutletID=" +
            Str(outlet->OutletID()) + " AND MPOutletID=" + Str(mp) +
            " AND ReserveDate=" + SQLStr(day->DateText()) + " AND TableNo=" + SQLStr(tableNo));
        if (rs != nullptr && !rs->Eof() && FieldLng(rs.get(), "ClientID") == ThisClientID())
            refusal = HoldRefusal::HeldHere;
        else if (rs == nullptr || rs->Eof())
            refusal = HoldRefusal::Failed;
    }
    PrintRefusal(shell, tableNo, refusal);
}

// The databases of the user's outlets, each once.
std::vector<std::pair<int32_t, SQLDB*>> UserServers(Outlets& outlets) {
    std::vector<std::pair<int32_t, SQLDB*>> servers;
    for (const auto& [id, outlet] : outlets.Items()) {
        if (!Permitted(id)) continue;
        const int32_t server = outlet->DBServerID();
        if (std::any_of(servers.begin(), servers.end(),
                        [&](const auto& s) { return s.first == server; }))
            continue;
        if (SQLDB* db = g_oDBConns->GetSQLDB(server)) servers.emplace_back(server, db);
    }
    return servers;
}

const char* const kHoldsOfClient = "SELECT * FROM tbl_TableTemp WHERE RowStatus='A' AND ClientID=";

void Holds(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 0, "holds")) return;
    Outlets outlets;
    if (!LoadOutlets(shell, outlets)) return;
    for (const auto& [server, db] : UserServers(outlets)) {
        auto rs = db->RunSQLReturnRS(kHoldsOfClient + Str(ThisClientID()) + " ORDER BY TempID");
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext()) {
            TableTemp hold;
            if (!hold.AddFromRS(rs.get())) continue;
            const Outlet* outlet = outlets.GetOutletByID(hold.OutletID());
            if (outlet == nullptr) continue;
            const MPOutlet* period = outlet->GetMPOutlets().Item(hold.MPOutletID());
            shell.Out(Str(hold.TempID()) + "\t" + outlet->OutletCode() + "\t" +
                      hold.ReserveDate().DateText() + "\t" +
                      (period != nullptr ? period->MPCode() : Str(hold.MPOutletID())) + "\t" +
                      hold.TableNo());
        }
    }
}

void Release(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 1, "release TEMPID|all")) return;
    SessionFunc func(shell);
    if (UpperAscii(args[0]) == "ALL") {
        int released = 0;
        func->ReleaseAllTempHoldTables(&released);
        shell.Out("released\t" + Str(released));
        return;
    }
    if (!AllDigits(args[0])) {
        shell.Error(GetMLText("Invalid hold ID") + ": " + args[0]);
        return;
    }
    Outlets outlets;
    if (!LoadOutlets(shell, outlets)) return;
    for (const auto& [server, db] : UserServers(outlets)) {
        auto rs =
            db->RunSQLReturnRS(kHoldsOfClient + Str(ThisClientID()) + " AND TempID=" + args[0]);
        TableTemp hold;
        if (rs == nullptr || rs->Eof() || !hold.AddFromRS(rs.get())) continue;
        const bool ok = func->ReleaseTempHoldTable(hold);
        shell.Out("released\t" + Str(ok ? 1 : 0));
        return;
    }
    shell.Error(GetMLText("No such hold of this workstation") + ": " + args[0]);
}

// Announces what committed: the change list, then holds freed on the way.
void Announce(KIVFunc& func, const Outlet& outlet, const Reservation& r, const PacketList& changes,
              const PacketList& holds) {
    const DateTime date = ResvDate(r).value_or(DateTime::Now().DatePart());
    const int32_t mp = r.GetFieldLong("MPOutletID");
    func.SendDataChange(outlet, date, mp, kPriorityChange, changes);
    func.SendDataChange(outlet, date, mp, kPriorityHold, holds);
}

// The cancel reason: the code given, or the outlet's default reason.
bool CancelReason(Shell& shell, const Outlet& outlet, const std::string& code, DBFields& fields) {
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) return false;
    std::string where;
    if (!code.empty()) {
        where = " AND MsgCode=" + SQLStr(code);
    } else if (outlet.ApplyDefaultCancelCode()) {
        where = " AND IsDefault=1 AND MsgSubCat='N'";
    } else {
        return true;
    }
    auto rs = db->RunSQLReturnRS(
        "SELECT MsgID, MsgCat, MsgSubCat FROM tbl_Message WHERE RowStatus='A' AND MsgType='CXL'" +
        where + " ORDER BY MsgCode");
    if (rs == nullptr || rs->Eof()) {
        if (code.empty()) return true;
        shell.Error(GetMLText("Unknown cancel reason") + ": " + code);
        return false;
    }
    fields.Add("CancelMsgID", Variant(FieldLng(rs.get(), "MsgID")));
    fields.Add("CancelMsgCat", Variant(FieldStr(rs.get(), "MsgCat")));
    fields.Add("CancelMsgSubCat", Variant(FieldStr(rs.get(), "MsgSubCat")));
    return true;
}

void Cancel(Shell& shell, const std::vector<std::string>& args) {
    const char* usage = "resv cancel [OUTLET] ID [--reason CODE] [--remark TEXT]";
    Options o;
    if (!ReadOptions(shell, args, {"--reason", "--remark"}, {}, o)) return;
    if (o.words.empty() || o.words.size() > 2) {
        shell.Error(GetMLText("Usage") + ": " + usage);
        return;
    }
    if (!HasRight(shell, 2, 3)) return;
    Target t;
    if (!OpenTarget(shell, o.words, t) || !RequireActive(shell, t)) return;
    if (!t.r.GetFieldText("ArrivalTime").empty()) {
        shell.Error(GetMLText("The guests have arrived; the reservation cannot be cancelled") +
                    ": " + Str(t.id));
        return;
    }
    const std::string remark = o.Has("--remark") ? o.values["--remark"] : "";
    if (remark.empty() && t.found.outlet->GetExtAttribute("MandatoryCxlRemark").ToInt64() != 0) {
        shell.Error(GetMLText("Please enter remark for cancelling the reservation."));
        return;
    }
    DBFields fields;
    fields.Add("RowStatus", Variant("X"));
    if (!CancelReason(shell, *t.found.outlet, o.Has("--reason") ? o.values["--reason"] : "",
                      fields))
        return;
    fields.Add("CancelUserID", Variant(g_oUser != nullptr ? g_oUser->UserID() : 0));
    fields.Add("CancelDT", Variant("GetDate()"), false);
    if (!remark.empty()) {
        const std::string before = t.r.GetFieldText("Remark");
        fields.Add("Remark",
                   Variant((before.empty() ? "" : before + "\r\n") + "Cancel remark: " + remark));
    }
    AddResvAuditFields(fields);
    SessionFunc func(shell);
    PacketList packets;
    {
        DBTransaction txn(*t.found.db, kModule, "resv cancel");
        if (!txn.Ok() || !func->DBResvUpdate(t.r, fields, packets, false) ||
            !func->DBTableResvCancel(t.r, packets) || !txn.Commit()) {
            txn.Fail();
            shell.Error(GetMLText("Reservation is not cancelled") + ": " + Str(t.id));
            return;
        }
    }
    Announce(*func, *t.found.outlet, t.r, packets, {});
    shell.Out(GetMLText("Reservation cancelled") + ": " + Str(t.id));
    // The reminder must not reach a cancelled party; the cancellation
    // message replaces it. Quietly: `msgs` shows the rows, the log the
    // messages left out.
    QueueResult queued;
    ResvMessenger().Cancelled(*t.found.db, t.id, queued);
}

void Settle(Shell& shell, const std::vector<std::string>& args) {
    Options o;
    if (!ReadOptions(shell, args, {}, {"--fill-arrival"}, o)) return;
    if (o.words.empty() || o.words.size() > 2) {
        shell.Error(GetMLText("Usage") + ": resv settle [OUTLET] ID [--fill-arrival]");
        return;
    }
    if (!HasRight(shell, 2, 5)) return;
    Target t;
    if (!OpenTarget(shell, o.words, t) || !RequireActive(shell, t)) return;
    SessionFunc func(shell);
    if (!func->ResvSettle(t.r, o.Has("--fill-arrival"))) {
        shell.Error(GetMLText("Reservation is not settled") + ": " + Str(t.id));
        return;
    }
    shell.Out(GetMLText("Reservation settled") + ": " + Str(t.id));
}

void Cover(Shell& shell, const std::vector<std::string>& args) {
    constexpr const char* kUsage = "resv cover [OUTLET] ID N [--table T]";
    Options o;
    if (!ReadOptions(shell, args, {"--table"}, {}, o)) return;
    if (o.words.size() < 2 || o.words.size() > 3) {
        shell.Error(GetMLText("Usage") + ": " + kUsage);
        return;
    }
    const std::string& n = o.words.back();
    if (!AllDigits(n) || n.size() > 6 || std::stol(n) < 1) {
        shell.Error(GetMLText("Arrival covers must be a whole number of at least 1") + ": " + n);
        return;
    }
    if (!HasRight(shell, 3, 4)) return;
    Target t;
    if (!OpenTarget(shell, std::vector<std::string>(o.words.begin(), o.words.end() - 1), t) ||
        !RequireActive(shell, t))
        return;
    SessionFunc func(shell);
    const std::string table = o.Has("--table") ? UpperAscii(o.values["--table"]) : "";
    if (!func->ResvChangeArrivalCover(t.r, static_cast<int32_t>(std::stol(n)), table,
                                      !table.empty())) {
        shell.Error(GetMLText("Reservation is not updated") + ": " + Str(t.id) +
                    FailureReason(*func));
        return;
    }
    shell.Out(GetMLText("Arrival covers changed") + ": " + Str(t.id));
}

std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',') {
            item += list[i];
            continue;
        }
        item = UpperAscii(Trim(item));
        if (!item.empty() && std::find(items.begin(), items.end(), item) == items.end())
            items.push_back(item);
        item.clear();
    }
    return items;
}

void Tables(Shell& shell, const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3) {
        shell.Error(GetMLText("Usage") + ": resv tables [OUTLET] ID T1,T2,...");
        return;
    }
    const std::vector<std::string> tables = SplitList(args.back());
    if (tables.empty()) {
        shell.Error(GetMLText("Give at least one table"));
        return;
    }
    if (!HasRight(shell, 2, 2)) return;
    Target t;
    if (!OpenTarget(shell, std::vector<std::string>(args.begin(), args.end() - 1), t) ||
        !RequireActive(shell, t))
        return;
    const std::optional<DateTime> date = ResvDate(t.r);
    if (!date) {
        shell.Error(GetMLText("Reservation has no date") + ": " + Str(t.id));
        return;
    }
    SessionFunc func(shell);
    const Outlet& outlet = *t.found.outlet;
    HoldRule rule(*func, *t.found.db, outlet, *date, t.r.GetFieldLong("MPOutletID"));
    PacketList changes, holds;
    {
        DBTransaction txn(*t.found.db, kModule, "resv tables");
        if (!txn.Ok()) {
            shell.Error(GetMLText("Tables are not changed") + ": " + Str(t.id));
            return;
        }
        // Seats of each table from its plan; the party fills them in order.
        int covers = std::max(1, t.r.GetFieldLong("ReserveCover"));
        TableReserveMap bindings;
        int key = 0;
        for (const std::string& no : tables) {
            HoldRefusal refusal = rule.Take(no, t.id);
            const FPTable* table = nullptr;
            if (refusal == HoldRefusal::None) refusal = rule.Check(no, &table);
            if (refusal != HoldRefusal::None || table == nullptr) {
                txn.Fail();
                return PrintRefusal(shell, no, refusal);
            }
            auto tr = std::make_shared<TableReserve>();
            tr->SetTableNo(table->TableNo());
            tr->SetReserveID(t.id);
            tr->SetCapacity(static_cast<int16_t>(table->TCapacity()));
            tr->SetIsShare(table->IsShare());
            const int seats = std::min<int>(covers, std::max<int>(table->TCapacity(), 0));
            tr->SetOccupied(static_cast<int16_t>(seats));
            tr->SetReserved(static_cast<int16_t>(seats));
            covers -= seats;
            bindings.Add(key++, tr);
        }
        if (!func->DBTableResvUpdate(t.r, bindings, changes, false) || !rule.ReleaseTaken(holds) ||
            !txn.Commit()) {
            txn.Fail();
            shell.Error(GetMLText("Tables are not changed") + ": " + Str(t.id));
            return;
        }
    }
    holds.insert(holds.end(), rule.Expired().begin(), rule.Expired().end());
    Announce(*func, outlet, t.r, changes, holds);
    shell.Out(GetMLText("Tables changed") + ": " + Str(t.id));
}

void Block(Shell& shell, const std::vector<std::string>& args) {
    const char* usage = "block OUTLET PERIOD TABLE [--from DATE] [--until DATE] [REMARK]";
    Options o;
    if (!ReadOptions(shell, args, {"--from", "--until"}, {}, o)) return;
    if (o.words.size() < 3 || o.words.size() > 4) {
        shell.Error(GetMLText("Usage") + ": " + usage);
        return;
    }
    if (!HasRight(shell, 3, 1)) return;
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, o.words[0]);
    if (outlet == nullptr) return;
    const MPOutlet* period = FindPeriod(shell, *outlet, o.words[1]);
    if (period == nullptr) return;
    const std::string tableNo = UpperAscii(o.words[2]);
    const std::string remark = o.words.size() == 4 ? o.words[3] : "";
    // Without dates the block starts today and stays: a block with neither
    // date would apply on no day at all.
    std::optional<DateTime> from = DateTime::Now().DatePart(), until;
    if (o.Has("--from") && !(from = ParseDay(shell, o.values["--from"]))) return;
    if (o.Has("--until") && !(until = ParseDay(shell, o.values["--until"]))) return;
    if (until && *until < *from) {
        shell.Error(GetMLText("The block ends before it begins"));
        return;
    }
    if (remark.empty() && outlet->MandatoryBlockRemark()) {
        shell.Error(GetMLText("Please enter remark for blocking table(s)."));
        return;
    }
    SQLDB* db = OutletSQLDB(shell, *outlet);
    if (db == nullptr) return;
    auto drawn = db->RunSQLReturnRS(
        "SELECT COUNT(*) AS RecCnt FROM tbl_FPTable AS T, tbl_FloorPlan AS F WHERE "
        "T.FPID=F.FPID AND T.RowStatus='A' AND F.RowStatus='A' AND F.OutletID=" +
        Str(outlet->OutletID()) + " AND T.TableNo=" + SQLStr(tableNo));
    if (drawn == nullptr || FieldLng(drawn.get(), "RecCnt") == 0) {
        shell.Error(GetMLText("Unknown table") + ": " + tableNo);
        return;
    }
    const std::string sql =
        "INSERT INTO tbl_TableBlock (RowModified,RowStatus,DBServerID,OutletID,MPOutletID,"
        "TableNo,BeginDate,EndDate,BlockUserID,BlockDT,Remark) VALUES (GetDate(),'A'," +
        Str(outlet->DBServerID()) + "," + Str(outlet->OutletID()) + "," +
        Str(period->MPOutletID()) + "," + SQLStr(tableNo) + "," + SQLStr(from->DateText()) + "," +
        (until ? SQLStr(until->DateText()) : "NULL") + "," +
        Str(g_oUser != nullptr ? g_oUser->UserID() : 0) + ",GetDate()," +
        (remark.empty() ? "NULL" : SQLStr(remark)) + ") SELECT @@IDENTITY AS ID";
    auto rs = FirstOpenRecordset(db->RunSQLReturnRS(sql));
    if (rs == nullptr || rs->Eof()) {
        WriteSQLLog(db->ErrDescription(), sql, kModule, "block");
        shell.Error(GetMLText("The table is not blocked"));
        return;
    }
    const int32_t id = FieldLng(rs.get(), "ID");
    SessionFunc func(shell);
    func->SendDataChange(*outlet, *from, period->MPOutletID(), kPriorityChange,
                         {KIVFunc::DataChangeDoc(outlet->DBServerID(), "BLOCK_TABLE", kOpInsert,
                                                 "tbl_tableblock", "tableblockid", id)});
    shell.Out(GetMLText("Table blocked") + ": " + Str(id));
}

void Unblock(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 2, "unblock OUTLET BLOCKID")) return;
    if (!HasRight(shell, 3, 2)) return;
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    if (!AllDigits(args[1])) {
        shell.Error(GetMLText("Invalid block ID") + ": " + args[1]);
        return;
    }
    SQLDB* db = OutletSQLDB(shell, *outlet);
    if (db == nullptr) return;
    const std::string id = args[1];
    auto row = db->RunSQLReturnRS(
        "SELECT * FROM tbl_TableBlock WHERE RowStatus='A' AND "
        "TableBlockID=" +
        id + " AND OutletID=" + Str(outlet->OutletID()));
    if (row == nullptr || row->Eof()) {
        shell.Error(GetMLText("No such block") + ": " + id);
        return;
    }
    const int32_t mp = FieldLng(row.get(), "MPOutletID");
    DateTime shown = FieldDate(row.get(), "BeginDate");
    if (shown.Year <= 1900) shown = DateTime::Now().DatePart();
    const std::string sql =
        "UPDATE tbl_TableBlock SET RowStatus='D', RowModified=GetDate() "
        "WHERE RowStatus='A' AND TableBlockID=" +
        id + " SELECT @@ROWCOUNT AS RC";
    auto rs = FirstOpenRecordset(db->RunSQLReturnRS(sql));
    if (rs == nullptr || FieldLng(rs.get(), "RC") < 1) {
        shell.Error(GetMLText("No such block") + ": " + id);
        return;
    }
    SessionFunc func(shell);
    func->SendDataChange(*outlet, shown, mp, kPriorityChange,
                         {KIVFunc::DataChangeDoc(outlet->DBServerID(), "BLOCK_TABLE", kOpUpdate,
                                                 "tbl_tableblock", "tableblockid", std::stol(id))});
    shell.Out(GetMLText("Table unblocked") + ": " + id);
}

void Wait(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 1, "wait SECONDS")) return;
    bool ok = false;
    const double seconds = Variant(args[0]).ToDouble(&ok);
    if (!ok || seconds < 0 || seconds > 3600) {
        shell.Error(GetMLText("Invalid number of seconds") + ": " + args[0]);
        return;
    }
    MainLoop().PumpUntil([] { return false; }, static_cast<int>(seconds * 1000));
}

}  // namespace

bool UpdateResvAnnounced(Shell& shell, ProfileDefinition& def, SQLDB& db, const Outlet& outlet,
                         Reservation& resv) {
    DBFields fields;
    fields.Add("UpdateCountByUser", Variant("ISNULL(UpdateCountByUser,0)+1"), false);
    for (const auto& [column, value] : def.ReservationUpdateColumns())
        fields.Add(column, Variant(value), false);
    AddResvAuditFields(fields);
    // The reservation as it will be: the edited date and meal period.
    Reservation after;
    after.CopyFrom(resv);
    bool moved = false;
    bool retimed = false;  // date, time or covers
    for (const char* code : {"ReserveDate", "ReserveTime", "MPOutletID", "ReserveCover"}) {
        ProfileField* f = def.FindField(code);
        if (f == nullptr || !f->Changed()) continue;
        const std::string name = code;
        moved = moved || name != "ReserveCover";
        retimed = retimed || name != "MPOutletID";
        if (name != "ReserveCover") after.SetField(code, Variant(f->GetValue()));
    }
    SessionFunc func(shell);
    PacketList changes, holds;
    {
        DBTransaction txn(db, kModule, "resv set");
        if (!txn.Ok()) {
            shell.Error(GetMLText("Reservation is not updated"));
            return false;
        }
        const std::optional<DateTime> date = ResvDate(after);
        if (moved && date) {
            HoldRule rule(*func, db, outlet, *date, after.GetFieldLong("MPOutletID"));
            auto rs = db.RunSQLReturnRS(
                "SELECT TableNo FROM tbl_TableReserve WHERE RowStatus='A' AND ReserveID=" +
                Str(resv.ReserveID()));
            for (; rs != nullptr && !rs->Eof(); rs->MoveNext()) {
                const std::string no = UpperAscii(FieldStr(rs.get(), "TableNo"));
                const HoldRefusal refusal = rule.Take(no, resv.ReserveID());
                if (refusal == HoldRefusal::None) continue;
                txn.Fail();
                PrintRefusal(shell, no, refusal);
                return false;
            }
            if (!rule.ReleaseTaken(holds)) {
                txn.Fail();
                shell.Error(GetMLText("Reservation is not updated"));
                return false;
            }
            holds.insert(holds.end(), rule.Expired().begin(), rule.Expired().end());
        }
        if (!func->DBResvUpdate(after, fields, changes, false)) {
            txn.Fail();
            shell.Error(GetMLText("Reservation is not updated"));
            return false;
        }
        for (auto& [code, field] : def.Fields()) {
            if (!field->Changed()) continue;
            resv.SetField(code, Variant(field->GetValue()));
            field->SetLoadedValue(field->GetValue());
        }
        if (!def.UpdateReservationLog(db, resv) || !txn.Commit()) {
            txn.Fail();
            shell.Error(
                GetMLText(def.Message().empty() ? "Reservation is not updated" : def.Message()));
            return false;
        }
    }
    Announce(*func, outlet, after, changes, holds);
    // Date, time or covers changed: the queued messages speak of the old
    // booking, and the reminder's send time moves with it.
    if (retimed) {
        QueueResult queued;
        ResvMessenger().Reschedule(db, resv.ReserveID(), queued);
    }
    return true;
}

void AddOpsCommands(Shell& shell) {
    shell.Add({"hold", "hold OUTLET DATE PERIOD TABLE",
               "Hold a table for a date and meal period: held, hold ID, table", Hold});
    shell.Add({"release", "release TEMPID|all",
               "Release a hold of this workstation, or all of them: released, how many", Release});
    shell.Add({"holds", "holds",
               "List this workstation's holds: hold ID, outlet, date, meal period, table", Holds});
    shell.Add({"resv cancel", "resv cancel [OUTLET] ID [--reason CODE] [--remark TEXT]",
               "Cancel a reservation that has not arrived", Cancel});
    shell.Add({"resv settle", "resv settle [OUTLET] ID [--fill-arrival]",
               "Close a reservation after the meal and free its tables", Settle});
    shell.Add({"resv cover", "resv cover [OUTLET] ID N [--table T]",
               "Change the arrived covers (with --table: of the POS check there too)", Cover});
    shell.Add({"resv tables", "resv tables [OUTLET] ID T1,T2,...",
               "Replace the tables of a reservation", Tables});
    shell.Add({"block", "block OUTLET PERIOD TABLE [--from DATE] [--until DATE] [REMARK]",
               "Block a table for a meal period from a date (today) until a date (open)", Block});
    shell.Add({"unblock", "unblock OUTLET BLOCKID", "Remove a block", Unblock});
    shell.Add({"wait", "wait SECONDS", "Handle incoming messages for a while", Wait});
}
