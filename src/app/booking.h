#pragma once
// A new booking taken through the save chain, shared by the console's
// `book`, `waitlist` and `walkin` and the desk window's booking form: the
// session's reservation operations with the guest-message hook, the form's
// defaults, the tables held as they are picked, the save and, for a walk-in,
// the check-in that follows.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/sessionfunc.h"
#include "app/shell.h"
#include "messages/resvmessenger.h"
#include "messaging/kiv.h"
#include "profiles/profiledefinition.h"
#include "reservations/newresv.h"
#include "venue/outlets.h"
#include "views/datachangehandlers.h"
#include "views/viewset.h"

// The reservation operations of the session (a private set, which cannot
// announce, when no hub was opened).
class Booking {
  public:
    explicit Booking(Shell& shell) : func_(shell) {
        resv = std::make_unique<NewResv>(*func_);
        resv->SetMessageHook(&messages_);
        // Changes arriving while the booking is taken reach it too.
        if (shell.Hub() != nullptr && shell.Hub()->Views() != nullptr)
            live_ = shell.Hub()->Views()->DataChanges();
        if (live_ != nullptr) live_->SetNewResv(resv.get());
    }
    ~Booking() {
        if (live_ != nullptr && live_->GetNewResv() == resv.get()) live_->SetNewResv(nullptr);
    }
    Booking(const Booking&) = delete;
    Booking& operator=(const Booking&) = delete;
    Outlets outlets;
    std::unique_ptr<ProfileDefinition> def;
    std::unique_ptr<NewResv> resv;

  private:
    SessionFunc func_;
    ViewDataChange* live_ = nullptr;
    ResvMessenger messages_;
};

// The booking form of the signed-in operation mode.
int BookingForm(const Shell& shell);
// Opens the booking for the outlet, date and meal period and loads `form`
// with its defaults; the duplicate question is asked through the user
// interface. False after a line saying why.
bool StartBooking(Shell& shell, Booking& b, const Outlet& outlet, const DateTime& date, int32_t mp,
                  int form);
// The guest with the account number; false (and a line) when none.
bool AttachGuestAccount(Shell& shell, Booking& b, const std::string& account);
// Holds each table; false (the holds released, a line printed) at the first refusal.
bool PickBookingTables(Shell& shell, NewResv& resv, const std::vector<std::string>& tables);
// Saves the booking and releases its holds: the new reservation's id, or 0
// (after a line) when it was not saved.
int32_t SaveBooking(Shell& shell, NewResv& resv);
// A walk-in party is at its tables already: it is checked in at once.
void CheckInWalkin(Shell& shell, const Outlet& outlet, int32_t id, int32_t covers,
                   const DateTime& day);
// Takes a walk-in party now at `tables` of the outlet's running meal
// period: the walk-in form's defaults, then `fill` (false stops), the save
// and the check-in. The new reservation's id, or 0 after a line saying why.
int32_t TakeWalkin(Shell& shell, const Outlet& outlet, int32_t covers,
                   const std::vector<std::string>& tables,
                   const std::function<bool(Booking&)>& fill);

// A guest found by the booking form's look-up.
struct GuestHit {
    int32_t guestID = 0;
    std::string account, lastName, firstName, phone;
};
// Active guests whose account number or phone equals `text`, or whose last
// or first name begins with it (at most `limit`, by last name).
std::vector<GuestHit> FindGuests(const std::string& text, int limit = 50);
