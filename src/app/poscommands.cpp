// Console commands of arrival and the POS: checking a party in and undoing
// it, swapping two reservations' tables, the POS servers' status and the
// check open on a table.
#include <string>
#include <vector>

#include "app/opscommands.h"
#include "app/resvfind.h"
#include "app/sessionfunc.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "messaging/kiv.h"
#include "messaging/posservers.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "registry/dbconnections.h"
#include "reservations/kivfunc.h"
#include "sql/sqldb.h"
#include "venue/outlets.h"
#include "views/businessdate.h"

namespace {

void CheckIn(Shell& shell, const std::vector<std::string>& args) {
    constexpr const char* kUsage = "checkin [OUTLET] ID [--force] [--cover N]";
    Options o;
    if (!ReadOptions(shell, args, {"--cover"}, {"--force"}, o)) return;
    if (o.words.empty() || o.words.size() > 2) {
        shell.Error(GetMLText("Usage") + ": " + kUsage);
        return;
    }
    int32_t cover = 0;
    if (o.Has("--cover")) {
        const std::string& n = o.values["--cover"];
        if (!AllDigits(n) || n.size() > 6 || std::stol(n) < 1) {
            shell.Error(GetMLText("Arrival covers must be a whole number of at least 1") + ": " +
                        n);
            return;
        }
        cover = static_cast<int32_t>(std::stol(n));
    }
    if (!HasRight(shell, 2, 4)) return;
    Target t;
    if (!OpenTarget(shell, o.words, t) || !RequireActive(shell, t)) return;
    SessionFunc func(shell);
    std::vector<std::string> queued;
    const DateTime today = BusinessDate(t.found.outlet->GetMPOutlets(), DateTime::Now());
    if (!func->ResvCheckIn(t.r, cover, o.Has("--force"), today, &queued)) {
        shell.Error(GetMLText("Reservation is not checked in") + ": " + Str(t.id) +
                    FailureReason(*func));
        return;
    }
    if (queued.empty()) {
        shell.Out(GetMLText("Checked in") + ": " + Str(t.id));
        return;
    }
    std::string tables;
    for (const std::string& no : queued)
        tables += (tables.empty() ? "" : ",") + no;
    shell.Out(GetMLText("Queued") + ": " + Str(t.id) + "\t" + tables);
}

void CheckInUndo(Shell& shell, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        shell.Error(GetMLText("Usage") + ": checkin undo [OUTLET] ID");
        return;
    }
    if (!HasRight(shell, 2, 4)) return;
    Target t;
    if (!OpenTarget(shell, args, t) || !RequireActive(shell, t)) return;
    SessionFunc func(shell);
    if (!func->ResvCheckInUndo(t.r)) {
        shell.Error(GetMLText("Check-in is not undone") + ": " + Str(t.id) + FailureReason(*func));
        return;
    }
    shell.Out(GetMLText("Check-in undone") + ": " + Str(t.id));
}

void Swap(Shell& shell, const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3) {
        shell.Error(GetMLText("Usage") + ": swap [OUTLET] ID1 ID2");
        return;
    }
    if (!HasRight(shell, 3, 3)) return;
    const std::vector<std::string> outlet(args.begin(), args.end() - 2);
    auto with = [&outlet](const std::string& id) {
        std::vector<std::string> a = outlet;
        a.push_back(id);
        return a;
    };
    Target source, destination;
    if (!OpenTarget(shell, with(args[args.size() - 2]), source) || !RequireActive(shell, source) ||
        !OpenTarget(shell, with(args.back()), destination) || !RequireActive(shell, destination))
        return;
    if (source.id == destination.id && source.found.db == destination.found.db) {
        shell.Error(GetMLText("Give two different reservations"));
        return;
    }
    SessionFunc func(shell);
    if (!func->ResvsSwapTables(source.r, destination.r)) {
        shell.Error(GetMLText("Tables are not swapped") + FailureReason(*func));
        return;
    }
    shell.Out(GetMLText("Tables swapped") + ": " + Str(source.id) + " " + Str(destination.id));
}

void PosStatus(Shell& shell, const std::vector<std::string>& args) {
    if (!args.empty()) {
        shell.Error(GetMLText("Usage") + ": pos status");
        return;
    }
    // Without a signed-in hub nobody has reported a status: all unknown.
    POSServers own;
    POSServers* servers = &own;
    if (shell.Hub() != nullptr)
        servers = &shell.Hub()->POSServerList();
    else
        own.Load(DefaultSQLDB());
    for (int i = 0; i < servers->Count(); ++i) {
        const POSServer* pos = servers->Items(i);
        const char* status = pos->UnknownStatus() ? "Unknown"
                             : pos->Connected()   ? "Online"
                                                  : "Offline";
        shell.Out(pos->POSCode() + "\t" + GetMLText(status));
    }
}

void PosCheck(Shell& shell, const std::vector<std::string>& args) {
    if (args.size() != 2) {
        shell.Error(GetMLText("Usage") + ": pos check OUTLET TABLE");
        return;
    }
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    const std::string table = UpperAscii(args[1]);
    SessionFunc func(shell);
    if (!func->CheckEnquiry(outlet->OutletID(), table)) {
        shell.Error(GetMLText("POS check enquiry failed") + FailureReason(*func));
        return;
    }
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet->DBServerID()) : nullptr;
    auto rs = db != nullptr ? db->RunSQLReturnRS(
                                  "SELECT TableNo, CheckNo, CheckCover, CheckTotal, "
                                  "CheckOpenTime, TableStatus FROM tbl_TableStatus WHERE "
                                  "RowStatus = 'A' AND OutletID = " +
                                  Str(outlet->OutletID()) + " AND TableNo = " + SQLStr(table))
                            : nullptr;
    if (rs == nullptr || rs->Eof() || FieldStr(rs.get(), "CheckNo").empty()) {
        shell.Error(GetMLText("No open check on table") + ": " + table);
        return;
    }
    const DateTime open = FieldDate(rs.get(), "CheckOpenTime");
    char total[32];
    std::snprintf(total, sizeof total, "%.2f", FieldSng(rs.get(), "CheckTotal"));
    shell.Out(FieldStr(rs.get(), "TableNo") + "\t" + FieldStr(rs.get(), "CheckNo") + "\t" +
              Str(FieldLng(rs.get(), "CheckCover")) + "\t" + total + "\t" + open.Format("hh:nn"));
}

}  // namespace

void AddPOSCommands(Shell& shell) {
    shell.Add({"checkin", "checkin [OUTLET] ID [--force] [--cover N]",
               "Check a party in (queued behind a party seated at its table unless --force)",
               CheckIn});
    shell.Add({"checkin undo", "checkin undo [OUTLET] ID",
               "Undo a check-in; a party waiting for its tables moves up", CheckInUndo});
    shell.Add({"swap", "swap [OUTLET] ID1 ID2", "Swap the tables of two reservations", Swap});
    shell.Add({"pos status", "pos status", "The status of each POS server", PosStatus});
    shell.Add({"pos check", "pos check OUTLET TABLE",
               "Ask the POS for the check open on a table and show it", PosCheck});
}
