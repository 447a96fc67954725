#pragma once
// What the new-reservation save chain asks of the guest messages a booking
// will queue. The messages subsystem implements it (messages/resvmessenger.h);
// the chain runs without messages when no hook is set.
#include <cstdint>
#include <string>

#include "platform/datetime.h"

class Outlet;
class Reservation;
class SQLDB;

class ResvMessageHook {
  public:
    virtual ~ResvMessageHook() = default;
    // Plans the messages of the booking about to be saved (its fields,
    // outlet, meal period and date) and checks their destinations, expiry
    // and send hours: "" when they may go, otherwise the refusal to show.
    virtual std::string ValidateMessages(const Reservation& booking, const Outlet& outlet,
                                         int32_t mpOutletID, const DateTime& date) = 0;
    // The send times of the planned messages against the reservation time
    // and their expiry: "" when they fit, otherwise the refusal.
    virtual std::string CheckSendTimes() = 0;
    // Queues the messages of the saved reservation; false (logged) when they
    // cannot be written. The reservation stays saved either way.
    virtual bool QueueMessages(SQLDB& db, int32_t reserveID, const Outlet& outlet) = 0;
};

// A telephone number an SMS can reach: digits with blanks, dashes,
// parentheses and a leading "+", at least six digits.
bool ValidSMSPhone(const std::string& phone);
