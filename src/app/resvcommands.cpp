// Shell commands of the reservations: the list of a day, one reservation
// with its fields and tables, and edits written back through the telephone
// booking form.
#include <algorithm>
#include <cctype>
#include <set>

#include "app/opscommands.h"
#include "app/printlines.h"
#include "app/profileargs.h"
#include "app/resvfind.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/reservations.h"
#include "reservations/resvlistcriteria.h"
#include "sql/sqldb.h"
#include "venue/outlets.h"

namespace {

const char* const kStatuses[] = {"A", "X", "C", "L", "N", "D"};

// "--status A,X,C": one-letter row statuses; false (and a line) for others.
bool ReadStatuses(Shell& shell, const std::string& list, ResvListCriteria& criteria) {
    std::string item;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',') {
            item += static_cast<char>(std::toupper(static_cast<unsigned char>(list[i])));
            continue;
        }
        if (std::find(std::begin(kStatuses), std::end(kStatuses), item) == std::end(kStatuses)) {
            shell.Error(GetMLText("Invalid status") + ": " + item);
            return false;
        }
        criteria.AddRowStatus(item);
        item.clear();
    }
    return true;
}

constexpr const char* kListUsage = "resv list OUTLET DATE [PERIOD] [--status A,X,C]";

void ListReservations(Shell& shell, const std::vector<std::string>& all) {
    std::vector<std::string> args;
    std::string statuses = "A,X,C";
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == "--status" && i + 1 < all.size()) {
            statuses = all[++i];
        } else {
            args.push_back(all[i]);
        }
    }
    if (args.size() < 2 || args.size() > 3) {
        shell.Error(GetMLText("Usage") + ": " + kListUsage);
        return;
    }
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    const auto day = ParseDay(shell, args[1]);
    if (!day) return;
    ResvListCriteria criteria;
    if (args.size() == 3) {
        const MPOutlet* period = FindPeriod(shell, *outlet, args[2]);
        if (period == nullptr) return;
        criteria.AddMPOutletID(period->MPOutletID());
    }
    if (!ReadStatuses(shell, statuses, criteria)) return;
    SQLDB* db = OutletSQLDB(shell, *outlet);
    auto def = db != nullptr ? LoadDefinition(shell, kProfileResvList) : nullptr;
    if (def == nullptr) return;
    criteria.ResvBeginDate = criteria.ResvEndDate = day->DateText();
    criteria.AddOutletID(outlet->OutletID());
    criteria.AddOrder("R.ReserveTime", ResvListCriteria::kAscending);
    criteria.AddOrder("R.ReserveID", ResvListCriteria::kAscending);
    Reservations list;
    if (!def->LoadResvList(*db, criteria, list)) {
        shell.Error(GetMLText("Cannot load the reservations"));
        return;
    }
    PrintResvList(shell, *def, list);
}

// The outlet of reservation `id` on `db` when it is one of the user's; nullptr else.
const Outlet* OutletOf(SQLDB& db, Outlets& outlets, int32_t id) {
    auto rs = db.RunSQLReturnRS("SELECT OutletID FROM tbl_Reservation WHERE ReserveID=" +
                                std::to_string(id) + " AND RowStatus<>'D'");
    if (rs == nullptr || rs->Eof()) return nullptr;
    const int32_t outletID = FieldLng(rs.get(), "OutletID");
    return Permitted(outletID) ? outlets.GetOutletByID(outletID) : nullptr;
}

}  // namespace

// Reservation ids are numbered per database server: with OUTLET the
// outlet's server is asked, without it every server of the user's outlets,
// and an id found on two servers needs the outlet.
bool FindReservation(Shell& shell, Outlets& outlets, const std::vector<std::string>& args,
                     int32_t& id, Found& found) {
    const std::string& idArg = args.back();
    if (!AllDigits(idArg)) {
        shell.Error(GetMLText("Invalid reservation ID") + ": " + idArg);
        return false;
    }
    id = static_cast<int32_t>(std::stol(idArg));
    std::vector<Found> hits;
    if (args.size() == 2) {
        const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
        if (outlet == nullptr) return false;
        SQLDB* db = OutletSQLDB(shell, *outlet);
        if (db == nullptr) return false;
        const Outlet* of = OutletOf(*db, outlets, id);
        if (of != nullptr && of->OutletID() == outlet->OutletID()) hits.push_back({db, of});
    } else {
        if (!LoadOutlets(shell, outlets)) return false;
        std::set<int32_t> servers;
        for (const auto& [outletID, outlet] : outlets.Items()) {
            if (!Permitted(outletID) || !servers.insert(outlet->DBServerID()).second) continue;
            SQLDB* db = g_oDBConns->GetSQLDB(outlet->DBServerID());
            const Outlet* of = db != nullptr ? OutletOf(*db, outlets, id) : nullptr;
            if (of != nullptr) hits.push_back({db, of});
        }
    }
    if (hits.size() > 1) {
        shell.Error(GetMLText("This reservation ID is used at more than one outlet; give the "
                              "outlet first") +
                    ": " + idArg);
        return false;
    }
    if (hits.empty()) {
        shell.Error(GetMLText("Reservation not found") + ": " + idArg);
        return false;
    }
    found = hits.front();
    return true;
}

bool OpenReservation(Shell& shell, const std::vector<std::string>& target, Opened& o) {
    if (!FindReservation(shell, o.outlets, target, o.id, o.found)) return false;
    o.def = LoadDefinition(shell, kProfileTelephone);
    if (o.def == nullptr) return false;
    if (!o.def->LoadReservation(*o.found.db, o.id, o.r)) {
        shell.Error(GetMLText("Reservation not found") + ": " + std::to_string(o.id));
        return false;
    }
    return true;
}

bool SaveReservationEdit(Shell& shell, Opened& o) {
    ProfileDefinition& def = *o.def;
    if (!CheckReservationEdit(shell, def, o.r, *o.found.outlet)) return false;
    if (def.ReservationUpdateSQL(o.id).empty()) {
        shell.Out(GetMLText("No change"));
        return true;
    }
    if (!UpdateResvAnnounced(shell, def, *o.found.db, *o.found.outlet, o.r)) return false;
    shell.Out(GetMLText("Reservation updated") + ": " + std::to_string(o.id));
    return true;
}

namespace {

void ShowReservation(Shell& shell, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        shell.Error(GetMLText("Usage") + ": resv show [OUTLET] ID");
        return;
    }
    Opened o;
    if (!OpenReservation(shell, args, o)) return;
    shell.Out("reservation\t" + std::to_string(o.id) + "\t" + o.found.outlet->OutletCode() + "\t" +
              o.r.GetFieldText("ReserveNo") + "\t" + o.r.GetFieldText("RowStatus"));
    PrintFields(shell, *o.def, o.r);
    for (const auto& [trID, tr] : o.r.TableReserves()) {
        shell.Out("table\t" + tr->TableNo() + "\t" + std::to_string(trID) + "\t" + tr->RowStatus() +
                  "\t" + std::to_string(tr->Capacity()) + "\t" + std::to_string(tr->Occupied()) +
                  "\t" + (tr->R1() ? "1" : "0") + "\t" + (tr->R2() ? "1" : "0"));
    }
}

void SetReservation(Shell& shell, const std::vector<std::string>& args) {
    const auto firstValue = std::find_if(args.begin(), args.end(), [](const std::string& a) {
        return a.find('=') != std::string::npos;
    });
    const std::vector<std::string> target(args.begin(), firstValue);
    if (target.empty() || target.size() > 2 || firstValue == args.end()) {
        shell.Error(GetMLText("Usage") + ": resv set [OUTLET] ID FIELD=VALUE ...");
        return;
    }
    Assignments values;
    if (!ReadAssignments(shell, std::vector<std::string>(firstValue, args.end()), values)) return;
    Opened o;
    if (!OpenReservation(shell, target, o)) return;
    ProfileDefinition& def = *o.def;
    if (!ApplyPeriodArgument(shell, def, o.r, *o.found.outlet, values)) return;
    if (!values.empty() && !ApplyAssignments(shell, def, values, false, false)) return;
    SaveReservationEdit(shell, o);
}

}  // namespace

void AddResvCommands(Shell& shell) {
    shell.Add({"resv list", kListUsage,
               "List the reservations of a day with the columns of the reservation list",
               ListReservations});
    shell.Add({"resv show", "resv show [OUTLET] ID",
               "Show a reservation: every field of the telephone booking form and its tables",
               ShowReservation});
    shell.Add({"resv set", "resv set [OUTLET] ID FIELD=VALUE ...",
               "Change fields of a reservation through the telephone booking form",
               SetReservation});
}
