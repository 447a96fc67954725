#pragma once
// The tables picked on the plan are held as they are picked, through the
// booking they may become: another desk sees them held and cannot book them
// meanwhile. A table no longer picked is released; a change of outlet, day
// or meal period releases them all. A table that cannot be held (booked,
// blocked, held elsewhere) stays picked for the other actions, unheld.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/booking.h"
#include "reservations/holdrule.h"

class DateTime;
class Shell;

class PickHolds {
  public:
    explicit PickHolds(Shell& shell);
    ~PickHolds();
    PickHolds(const PickHolds&) = delete;
    PickHolds& operator=(const PickHolds&) = delete;

    struct Refused {
        std::string table;
        HoldRefusal why;
    };
    // Follows the picked `tables` of the outlet, day and meal period: holds
    // each table picked since the last call and releases those no longer
    // picked. The tables that could not be held, with the reason. `retry`
    // tries again the picked tables that were refused before.
    std::vector<Refused> Follow(int32_t outletID, const DateTime& date, int32_t mp,
                                const std::vector<std::string>& tables, bool retry = false);
    // Opens the booking for the outlet, day and meal period unless it is
    // open for them already; false after a line saying why.
    bool Prepare(int32_t outletID, const DateTime& date, int32_t mp);
    // Releases the holds of `tables` and leaves them picked, unheld (an
    // action that holds or blocks them itself).
    void Release(const std::vector<std::string>& tables);
    // Releases every hold and forgets the picks and the booking.
    void ReleaseAll();
    // The booking holding the picks, opened by the last Follow; nullptr
    // before one, or when the booking could not be opened.
    Booking* Current() const { return booking_.get(); }
    // The tables held now, in the order they were picked.
    std::vector<std::string> Held() const;

  private:
    bool Open(int32_t outletID, const DateTime& date, int32_t mp);
    // Shows a hold taken or released on this desk's own plan: the relay
    // passes the announcement to the other desks only.
    void ShowHold(int32_t tempID) const;
    void Drop(const std::string& table);
    int32_t TempIDOf(const std::string& table) const;  // 0 when not held

    Shell& shell_;
    std::unique_ptr<Booking> booking_;
    int32_t outletID_ = 0, mp_ = 0;
    std::string date_;
    std::vector<std::string> followed_;  // the picks seen by the last Follow
};
