#pragma once
// HoldRule: whether a table may be taken for an outlet, date and meal
// period: the period is the outlet's and active, the date is not past, the
// table stands on a plan in force, no block applies on the date, and the
// database's hold procedure grants a hold (nobody else holds it and it is
// not booked). The tables of one reservation are taken inside one
// transaction: held, bound, then released again.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "reservations/kivfunc.h"
#include "venue/planloader.h"

class Outlet;
class SQLDB;
class FPTable;

enum class HoldRefusal {
    None,
    HeldByOther,  // a standing hold of another workstation
    HeldHere,     // already held by this workstation
    Booked,
    Blocked,
    NotOnPlan,
    PastDate,
    BadPeriod,  // a meal period of another outlet, or inactive
    BadInput,
    Failed,  // the database did not answer
};

// The reason in English (translated by the caller): "held by another
// workstation", "booked", ...
std::string HoldRefusalText(HoldRefusal refusal);

class HoldRule {
  public:
    HoldRule(KIVFunc& func, SQLDB& db, const Outlet& outlet, const DateTime& date,
             int32_t mpOutletID);

    // The checks that need no hold; `table` receives the plan's table.
    HoldRefusal Check(const std::string& tableNo, const FPTable** table = nullptr);
    // Check, then a hold by the procedure. `exceptReserveID` is a
    // reservation already bound to the table for this date and period: its
    // own booking does not make the table taken for it. A hold this
    // workstation already has is taken over. Holds granted are kept in
    // Holds() (and those that others could see in OwnHolds()).
    HoldRefusal Take(const std::string& tableNo, int32_t exceptReserveID = 0);
    // Releases every hold taken by Take (inside the caller's transaction);
    // the documents of the holds others could see go to `packets`.
    bool ReleaseTaken(PacketList& packets);
    // Documents of expired holds released on the way.
    const PacketList& Expired() const { return expired_; }

    // The time of the reservation the tables are taken for. In a split meal
    // period it names the part (seating): a table booked only in the other
    // part stays free for this one.
    void SetReserveTime(const DateTime& time);
    // 1 or 2 in a split meal period with a time set, else 0 (the whole period).
    int Part() const { return part_; }
    // For a table the hold procedure refused as booked: a hold of this part
    // when every active booking of the table lies in the other part. The new
    // TempID, 0 when it is booked in this part (or held meanwhile), -1 when
    // the database failed. Runs in its own transaction (or the caller's).
    int64_t HoldInPart(const std::string& tableNo);
    // Whether an active block applies to the table on the date.
    bool Blocked(const std::string& tableNo, bool& blocked);
    // The workstation of the standing hold of the table (0 when none).
    int32_t HeldBy(const std::string& tableNo, int32_t& tempID);

  private:
    bool BookedInPart(const std::string& tableNo, bool& booked);
    bool BoundTo(const std::string& tableNo, int32_t reserveID, bool& bound);

    KIVFunc& func_;
    SQLDB& db_;
    const Outlet& outlet_;
    DateTime date_;
    int32_t mpOutletID_;
    PlanLoader plans_;
    bool plansLoaded_ = false;
    bool plansOk_ = false;
    std::vector<int32_t> taken_;    // holds granted within the transaction
    std::vector<int32_t> visible_;  // holds of this workstation taken over
    PacketList expired_;
    int part_ = 0;
};
