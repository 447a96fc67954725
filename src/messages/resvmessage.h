#pragma once
// ResvMessage: one SMS or e-mail of one reservation, as queued in
// tbl_ReservationMsg for the message server that delivers it, and the
// queue's own operations: writing a message, listing a reservation's
// messages, and withdrawing the ones not yet sent.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "messages/sendtime.h"
#include "platform/datetime.h"

class SQLDB;
class Recordset;

struct ResvMessage {
    int32_t ReserveMsgID = 0;
    std::string RowStatus = "A";
    int32_t ReserveID = 0, GuestID = 0, ServerID = 0, EventID = 0, TemplateID = 0;
    std::string EventName;
    std::string MessageType;  // "SMS" or "EMAIL"
    std::string Destination, CCMail, BCCMail, MessageSubject, MessageContent;
    std::optional<DateTime> SendTime, ExpiryTime;
    int ExpiryOption = 0, Priority = 0, DefSend = 1;
    SendSchedule schedule;
    std::string ContactField, Source = "RESV", Remark;
    int32_t SMSOutletID = 0, MailOutletID = 0, UpdateUserID = 0;
    std::string SubmitStatus;
    // Not stored: the reservation's date and time and the guest's choices.
    DateTime ResvTime;
    std::string ReceiveSMS, ReceiveEmail;

    // Writes the message as a new row; ReserveMsgID receives its id. False
    // (logged under "ResvMessage") when the row cannot be written.
    bool Insert(SQLDB& db);
    // Reads the current row of a tbl_ReservationMsg recordset.
    void Load(const Recordset* rs);
};

// "SMS" / "EMAIL".
inline constexpr const char* kMsgSMS = "SMS";
inline constexpr const char* kMsgEmail = "EMAIL";

// Every message of the reservation (withdrawn ones too), oldest first.
bool LoadResvMessages(SQLDB& db, int32_t reserveID, std::vector<ResvMessage>& out);

// Withdraws the reservation's messages the server has not sent yet
// (RowStatus 'X') with their attachments; `count` receives how many.
bool WithdrawUnsentMessages(SQLDB& db, int32_t reserveID, int32_t userID, int* count = nullptr);
