#pragma once
// The message configuration of an outlet (tbl_SMSOutlet): for an event and a
// message type, which template is sent through which server and when. The
// row that applies to a reservation is the first found of (A) the row of
// the outlet, meal period and exact business date, (B) a row whose calendar
// group holds the date, (C) the outlet's default row with neither.
#include <cstdint>
#include <string>

#include "messages/sendtime.h"
#include "platform/datetime.h"

class SQLDB;

// One event that triggers messages (tbl_MessageEvent).
struct MessageEvent {
    int32_t EventID = 0;
    std::string EventModule, EventCode, Name;
};

// Event codes of the reservation module.
inline constexpr const char* kEventNewResv = "NewReservation";
inline constexpr const char* kEventCancelResv = "CancelReservation";
inline constexpr const char* kEventReminder = "ReminderReservation";

// False on a database failure; `found` false when the code is unknown.
bool FindMessageEvent(SQLDB& db, const std::string& module, const std::string& code,
                      MessageEvent& event, bool& found);

struct MessageConfig {
    int32_t SMSOutletID = 0;
    int32_t OutletID = 0, MPOutletID = 0, EventID = 0;
    int32_t DefTemplateID = 0;
    int32_t ServerID = 0;
    std::string MessageType;  // "SMS" or "EMAIL"
    SendSchedule schedule;
    int ExpiryOption = 0, ExpiryMinutes = 0;
    char level = 0;  // 'A', 'B' or 'C': which rule found it
};

// The configuration of `event` and `messageType` for the outlet, meal period
// and date. A row without a meal period (0 or NULL) serves every meal period;
// within one level a row of the exact meal period wins. False on a database
// failure; `found` false when there is none.
bool FindMessageConfig(SQLDB& db, int32_t outletID, int32_t mpOutletID, const DateTime& date,
                       int32_t eventID, const std::string& messageType, MessageConfig& config,
                       bool& found);
