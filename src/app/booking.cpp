// The booking shared by the console and the desk window.
#include "app/booking.h"

#include "app/opscommands.h"
#include "app/profileargs.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "registry/dbconnections.h"
#include "reservations/tablereserve.h"
#include "sql/sqldb.h"
#include "views/businessdate.h"

namespace {}  // namespace

// The booking form of the signed-in operation mode.
int BookingForm(const Shell& shell) {
    return shell.OperationMode() == 1 ? kProfileInPerson : kProfileTelephone;
}

// Prints the earlier bookings the duplicate rules found and asks what to do.
namespace {

PrevResvAction AskDuplicates(Shell& shell, const Reservations& previous) {
    for (const auto& [id, r] : previous.Items()) {
        const auto time = r->GetField("ReserveTime").ToDateTime();
        shell.Out("duplicate\t" + Str(id) + "\t" + r->GetFieldText("ReserveNo") + "\t" +
                  (time ? time->Format("hh:nn") : "") + "\t" + r->GetFieldText("ReserveCover") +
                  "\t" + OneField(r->GetFieldText("DYLastName")) + "\t" +
                  OneField(r->GetFieldText("ContactPhone")));
    }
    return UI().AskYesNo(GetMLText("Cancel the previous reservations? (y = cancel, n = keep)"),
                         GetMLText("Duplicate reservation"), false)
               ? PrevResvAction::kCancel
               : PrevResvAction::kKeep;
}

}  // namespace

// Opens the booking and loads the form with its defaults.
bool StartBooking(Shell& shell, Booking& b, const Outlet& outlet, const DateTime& date, int32_t mp,
                  int form) {
    b.def = LoadDefinition(shell, form);
    if (b.def == nullptr) return false;
    if (!b.resv->Open(outlet, date, mp)) {
        shell.Error(GetMLText("Cannot load the floor plans"));
        return false;
    }
    b.def->FillDefaults();
    b.resv->SetProfile(b.def.get());
    b.resv->SetDuplicateHandler(
        [&shell](const Reservations& previous) { return AskDuplicates(shell, previous); });
    for (const auto& [code, f] : b.def->Fields()) {
        const std::string v = f->GetValue();
        if (!v.empty() && !f->IsPseudo() && v != "NOW") b.resv->Fields().SetField(code, Variant(v));
    }
    return true;
}

// The guest with the account number; false (and a line) when none.
bool AttachGuestAccount(Shell& shell, Booking& b, const std::string& account) {
    SQLDB* db = DefaultSQLDB();
    auto rs = db != nullptr ? db->RunSQLReturnRS(
                                  "SELECT GuestID FROM tbl_Guest WHERE RowStatus='A' AND "
                                  "DYAccountNo=" +
                                  SQLStr(account) + " ORDER BY GuestID")
                            : nullptr;
    if (rs == nullptr || rs->Eof() || !b.resv->SetGuest(FieldLng(rs.get(), "GuestID"))) {
        shell.Error(GetMLText("Guest not found") + ": " + account);
        return false;
    }
    return true;
}

// Holds each table; false (the holds released, a line printed) at the first refusal.
bool PickBookingTables(Shell& shell, NewResv& resv, const std::vector<std::string>& tables) {
    for (const std::string& t : tables) {
        const HoldRefusal refusal = resv.PickTable(t);
        if (refusal == HoldRefusal::None) continue;
        shell.Error(GetMLText("Table") + " " + t + " " + GetMLText("cannot be held:") + " " +
                    GetMLText(HoldRefusalText(refusal)));
        resv.ReleaseHolds();
        return false;
    }
    return true;
}

// The new reservation's id; 0 (after a line) when it was not saved.
int32_t SaveBooking(Shell& shell, NewResv& resv) {
    const int32_t id = resv.SaveNewReservation();
    resv.ReleaseHolds();
    if (id <= 0) {
        shell.Error(GetMLText("Reservation not saved"));
        return 0;
    }
    for (int32_t other : resv.SavedIDs())
        if (other != id) shell.Out(GetMLText("Waiting list entry saved") + ": " + Str(other));
    shell.Out(GetMLText("Reservation saved") + ": " + Str(id) + " " + resv.ReserveNo());
    return id;
}

// A walk-in party is at its tables already: it is checked in at once.
void CheckInWalkin(Shell& shell, const Outlet& outlet, int32_t id, int32_t covers,
                   const DateTime& day) {
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet.DBServerID()) : nullptr;
    Reservation r;
    if (db == nullptr || !LoadResvRow(*db, id, r)) {
        shell.Error(GetMLText("Reservation not found") + ": " + Str(id));
        return;
    }
    SessionFunc func(shell);
    std::vector<std::string> queued;
    if (!func->ResvCheckIn(r, covers, false, day, &queued)) {
        shell.Error(GetMLText("Reservation is not checked in") + ": " + Str(id) +
                    FailureReason(*func));
        return;
    }
    std::string tables;
    for (const std::string& no : queued)
        tables += (tables.empty() ? "" : ",") + no;
    shell.Out(queued.empty() ? GetMLText("Checked in") + ": " + Str(id)
                             : GetMLText("Queued") + ": " + Str(id) + "\t" + tables);
}
int32_t TakeWalkin(Shell& shell, const Outlet& outlet, int32_t covers,
                   const std::vector<std::string>& tables,
                   const std::function<bool(Booking&)>& fill) {
    const DateTime now = DateTime::Now();
    const int32_t mp = outlet.GetMPOutlets().FindMPOutletID(now);
    if (mp <= 0) {
        shell.Error(GetMLText("No meal period at this time"));
        return 0;
    }
    const DateTime day = BusinessDate(outlet.GetMPOutlets(), now);
    Booking b(shell);
    if (!StartBooking(shell, b, outlet, day, mp, kProfileWalkIn)) return 0;
    Reservation& r = b.resv->Fields();
    r.SetField("ReserveType", Variant("N"));
    r.SetField("ReserveMode", Variant("W"));
    if (fill && !fill(b)) return 0;
    r.SetField("ReserveDate", Variant(day.DateText()));
    r.SetField("ReserveTime", Variant(now.Format("hh:nn")));
    r.SetField("ReserveCover", Variant(covers));
    if (!PickBookingTables(shell, *b.resv, tables)) return 0;
    const int32_t id = SaveBooking(shell, *b.resv);
    if (id > 0) CheckInWalkin(shell, outlet, id, covers, day);
    return id;
}

std::vector<GuestHit> FindGuests(const std::string& text, int limit) {
    std::vector<GuestHit> hits;
    const std::string t = Trim(text);
    SQLDB* db = DefaultSQLDB();
    if (t.empty() || db == nullptr) return hits;
    // The typed text is quoted as a value; % and _ in it only widen the name match.
    const std::string q = SQLStr(t), prefix = SQLStr(t + "%");
    auto rs = db->RunSQLReturnRS(
        "SELECT GuestID, DYAccountNo, DYLastName, DYFirstName, ContactPhone FROM tbl_Guest "
        "WHERE RowStatus='A' AND (DYAccountNo=" +
        q + " OR ContactPhone=" + q + " OR DYLastName LIKE " + prefix + " OR DYFirstName LIKE " +
        prefix + ") ORDER BY DYLastName, DYFirstName, GuestID");
    for (; rs != nullptr && !rs->Eof() && static_cast<int>(hits.size()) < limit; rs->MoveNext())
        hits.push_back({FieldLng(rs.get(), "GuestID"), FieldStr(rs.get(), "DYAccountNo"),
                        FieldStr(rs.get(), "DYLastName"), FieldStr(rs.get(), "DYFirstName"),
                        FieldStr(rs.get(), "ContactPhone")});
    return hits;
}
