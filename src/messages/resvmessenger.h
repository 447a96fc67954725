#pragma once
// ResvMessenger: makes the guest messages of a reservation event. For each
// message type (SMS, e-mail) it finds the outlet's message configuration,
// skips a guest who chose not to receive that kind, fills the configured
// template with the reservation's values, works out the send and expiry
// times, and queues the result in tbl_ReservationMsg on the outlet's
// server. It also serves the new-reservation save chain (ResvMessageHook).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "messages/resvmessage.h"
#include "messages/templatefill.h"
#include "reservations/resvmessagehook.h"

class ProfileDefinition;
class Reservation;
class SQLDB;

// What became of one event's messages.
struct QueueResult {
    std::vector<int32_t> queued;     // ReserveMsgIDs written
    std::vector<std::string> notes;  // why a configured message was not queued
    bool configured = false;         // a configuration exists for the event
};

class ResvMessenger : public ResvMessageHook, public ErrorState {
  public:
    // `configDB`: where templates, events and configurations are read (the
    // default database when nullptr).
    explicit ResvMessenger(SQLDB* configDB = nullptr);
    ~ResvMessenger() override;
    ResvMessenger(const ResvMessenger&) = delete;
    ResvMessenger& operator=(const ResvMessenger&) = delete;

    // The clock messages are timed against (the local clock when unset).
    void SetNow(std::optional<DateTime> now) { now_ = now; }

    // The messages of `eventCode` for the reservation (the columns of its
    // row, at least OutletID, MPOutletID, ReserveDate and ReserveTime). A
    // kind the guest does not receive is skipped with a note. False on a
    // database failure or a template or schedule that cannot be used.
    bool Build(const std::string& eventCode, const Reservation& resv, bool newResv,
               std::vector<ResvMessage>& out, QueueResult& result);

    // Fills the active template of that code for the reservation: subject
    // and text. False when there is no such template.
    bool FillTemplateByCode(const std::string& code, const Reservation& resv, bool newResv,
                            std::string& type, std::string& subject, std::string& text);
    // The values a template is filled with for this reservation.
    TemplateValues ValuesOf(const Reservation& resv, bool newResv);

    // Destination, expiry and send hours of a message: "" or the refusal.
    static std::string Validate(const ResvMessage& m, const DateTime& now,
                                const SendWindow& window);
    // The send time against the reservation time and the expiry.
    static std::string CheckSendTime(const ResvMessage& m);

    // Builds, checks and queues the messages of `eventCode` for the saved
    // reservation `reserveID` on the outlet's server `db`. A message that
    // fails its checks is not queued; `result.notes` says why. False on a
    // database failure.
    bool QueueEvent(SQLDB& db, int32_t reserveID, const std::string& eventCode, bool newResv,
                    QueueResult& result);
    // After a change of date, time or covers: withdraws the unsent messages
    // and queues the reminder again with its new send time. Messages left
    // out are logged ("Reservation ID: reason").
    bool Reschedule(SQLDB& db, int32_t reserveID, QueueResult& result);
    // After a cancellation: withdraws the unsent messages and queues the
    // cancellation message.
    bool Cancelled(SQLDB& db, int32_t reserveID, QueueResult& result);

    // ResvMessageHook.
    std::string ValidateMessages(const Reservation& booking, const Outlet& outlet,
                                 int32_t mpOutletID, const DateTime& date) override;
    std::string CheckSendTimes() override;
    bool QueueMessages(SQLDB& db, int32_t reserveID, const Outlet& outlet) override;

  private:
    SQLDB* ConfigDB() const;
    DateTime Now() const;
    ProfileDefinition* Definition();
    bool ReadTemplate(const std::string& where, std::string& type, std::string& subject,
                      std::string& text, int32_t& id);
    std::string Fill(const std::string& text, const TemplateValues& values);
    std::string UserText(int32_t userID);
    // Withdraws the unsent messages and queues those of `event`; the notes
    // go to the log.
    bool Requeue(SQLDB& db, int32_t reserveID, const char* event, QueueResult& result);

    SQLDB* configDB_ = nullptr;
    std::optional<DateTime> now_;
    std::unique_ptr<ProfileDefinition> def_;
    bool defTried_ = false;
    std::vector<ResvMessage> planned_;
};

// The reservation row with every column; false when it does not exist.
bool ReadReservationRow(SQLDB& db, int32_t reserveID, Reservation& out);
