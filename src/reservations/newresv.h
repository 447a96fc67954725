#pragma once
// NewResv: the new-reservation object. It loads what the booking of one
// outlet, date and meal period needs (plans in force, table statuses with
// holds and blocks, the day's reservations), holds each table the user picks,
// and saves the booking through the save chain: the checks in their order,
// each with its message and log line, then the reservation number, the row,
// the table bindings and the announcement of all of it in one DATACHANGE.
//
// The work is split by job: newresv.cpp (loading, tables, guest),
// newresvchecks.cpp (the checks before anything is written), newresvsave.cpp
// (number, insert, bindings, previous reservations, booker profile, waiting
// list for several outlets). Questions and messages go through UI().
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "reservations/holdrule.h"
#include "reservations/kivfunc.h"
#include "reservations/reservation.h"
#include "reservations/reservations.h"
#include "reservations/resvmessagehook.h"
#include "venue/planloader.h"

class Outlet;
class Outlets;
class SQLDB;
class ProfileDefinition;

// What the user chose for earlier reservations of the same guest.
enum class PrevResvAction : char { kNone = 0, kCancel = 'C', kKeep = 'K' };

// One picked table and the hold that keeps it for this workstation.
struct PickedTable {
    std::string TableNo;
    int32_t TempID = 0;
    int32_t Capacity = 0;
    int32_t MinCover = 0, MaxCover = 0;
    bool Shared = false;
};

class NewResv : public ErrorState {
  public:
    // Shows the earlier reservations the duplicate rules matched and returns
    // the user's choice (cancel or keep them).
    using DuplicateHandler = std::function<PrevResvAction(const Reservations& previous)>;

    explicit NewResv(KIVFunc& func);
    ~NewResv();
    NewResv(const NewResv&) = delete;
    NewResv& operator=(const NewResv&) = delete;

    // Loaders. Open starts a booking of the outlet, date and meal period:
    // releases the holds of a booking still open, reads the plans in force,
    // statuses, holds, blocks and the day's reservations. False when the
    // outlet's database or the plans cannot be read.
    bool Open(const Outlet& outlet, const DateTime& date, int32_t mpOutletID);
    bool LoadFloorplans();
    bool LoadTableStatuses();
    bool LoadDayResvs();
    PlanLoader& Plans() { return plans_; }
    const Reservations& DayResvs() const { return dayResvs_; }
    Reservations& DayResvs() { return dayResvs_; }
    const Outlet* GetOutlet() const { return outlet_; }
    SQLDB* Database() const { return db_; }
    const DateTime& ResvDate() const { return date_; }
    int32_t MPOutletID() const { return mpOutletID_; }
    // Outlets the waiting list may name (nullptr: read on first use).
    void SetOutlets(const Outlets* outlets) { outlets_ = outlets; }

    // The booking form of the operation (telephone, in-person, walk-in);
    // Fields() receives the values to save, by field code.
    void SetProfile(ProfileDefinition* def) { def_ = def; }
    ProfileDefinition* Profile() const { return def_; }
    Reservation& Fields() { return resv_; }
    const Reservation& Fields() const { return resv_; }
    // Copies the guest profile's fields into the booking (GuestID, names,
    // contacts, black list); false when the guest cannot be read.
    bool SetGuest(int32_t guestID);

    // Makes the save store a declined booking with the cancel reason of that
    // code (tbl_Message, type "CXL"); false when there is no such reason.
    bool SetDeclineReason(const std::string& msgCode);

    // Holds the table for this workstation (announced at once) and adds it to
    // the picked tables; the reason when it cannot be held. The reservation
    // time decides the part of a split meal period; set it first.
    HoldRefusal PickTable(const std::string& tableNo);
    // Releases the table's hold and drops it from the picked tables.
    bool DropTable(const std::string& tableNo);
    const std::vector<PickedTable>& Picked() const { return picked_; }
    // Releases every hold of the booking (after the save, or when it is
    // abandoned).
    void ReleaseHolds();

    void SetDuplicateHandler(DuplicateHandler handler) { duplicates_ = std::move(handler); }
    // The guest messages of the booking (nullptr: none are checked or
    // queued). Not owned.
    void SetMessageHook(ResvMessageHook* hook) { messages_ = hook; }

    // The save chain. The new ReserveID (the first one for a waiting list
    // of several outlets), or 0 when a check refused or the save failed
    // (Message() tells which); nothing is written after a refusal.
    int32_t SaveNewReservation();
    const std::string& ReserveNo() const { return reserveNo_; }
    const std::vector<int32_t>& SavedIDs() const { return savedIDs_; }
    // The last message shown by the chain, in English ("" when none).
    const std::string& Message() const { return message_; }
    // Whether the save stored a declined booking (SYS_SaveAction not "N").
    bool Declined() const { return declined_; }

    // Checks of the chain (newresvchecks.cpp), each true to go on.
    bool ConfirmInternetBooking();
    bool ValidateInput();
    bool ValidateMessage();
    bool CheckTableNoList();
    bool CheckFutureResvLimit();
    bool CheckSMS();
    bool CheckPermission();
    bool PopAlertIsBlackList();
    bool CheckWebAllotment();
    bool CheckOutlet();
    bool CheckDateTimeRights();
    bool CheckMustFields();
    bool CheckDuplicates();

  private:
    // Shows a message of the chain and remembers it.
    void Refuse(const std::string& text, const std::string& title = "CulinaroTable");
    // Asks a warning's question; false when the user does not go on.
    bool Confirm(const std::string& text, const std::string& title);
    void Log(const std::string& text) const;
    bool WaitingList() const;
    bool Walkin() const;
    int32_t Covers() const;  // ReserveCover, or OccupyCover where admission counts
    // Whether the booking gets guest messages: a reservation, not a declined
    // one, a waiting-list entry or a walk-in party.
    bool Messaged() const;

    // Saving (newresvsave.cpp).
    bool SaveForOutlet(SQLDB& db, const Outlet& outlet, int32_t mpOutletID, PacketList& packets);
    // The column and value lists of the insert; `log` writes the step's lines.
    bool BuildInsert(const Outlet& outlet, int32_t mpOutletID, std::string& columns,
                     std::string& values, bool log);
    bool GetReserveNo(SQLDB& db, const Outlet& outlet, std::string& number);
    bool TablesStillHeld(SQLDB& db);
    bool NewDuplicates(SQLDB& db);
    bool BindTables(int32_t reserveID, PacketList& packets);
    void Withdraw(SQLDB& db, int32_t reserveID);
    void CancelPrevious(PacketList& packets);
    void OfferBookerProfile(SQLDB& db, int32_t reserveID);
    std::vector<int32_t> WaitingOutletIDs() const;

    KIVFunc& func_;
    const Outlet* outlet_ = nullptr;
    const Outlets* outlets_ = nullptr;
    std::unique_ptr<Outlets> ownOutlets_;
    SQLDB* db_ = nullptr;
    DateTime date_;
    int32_t mpOutletID_ = 0;
    PlanLoader plans_;
    Reservations dayResvs_;
    ProfileDefinition* def_ = nullptr;
    Reservation resv_;
    std::unique_ptr<HoldRule> rule_;
    std::vector<PickedTable> picked_;
    DuplicateHandler duplicates_;
    ResvMessageHook* messages_ = nullptr;
    Reservations previous_;  // duplicates found by the check
    PrevResvAction prevAction_ = PrevResvAction::kNone;
    std::string reserveNo_;
    std::vector<int32_t> savedIDs_;
    std::string message_;
    bool declined_ = false;
};
