#include "messages/resvmessage.h"

#include "core/log.h"
#include "platform/strnum.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kModule = "ResvMessage";

std::string TimeSQL(const std::optional<DateTime>& t) {
    return t ? SQLStr(t->ToText()) : "NULL";
}

std::string TextSQL(const std::string& s) {
    return s.empty() ? "NULL" : SQLStr(s);
}

std::optional<DateTime> OptTime(const Recordset* rs, const char* field) {
    if (FieldStr(rs, field).empty()) return std::nullopt;
    return FieldDate(rs, field);
}

}  // namespace

bool ResvMessage::Insert(SQLDB& db) {
    const bool sms = MessageType == kMsgSMS;
    const std::string sql =
        "INSERT INTO tbl_ReservationMsg (RowModified,RowStatus,ReserveID,GuestID,ServerID,"
        "EventID,EventName,MessageType,TemplateID,Destination,CCMail,BCCMail,MessageSubject,"
        "MessageContent,SendTime,ExpiryTime,ExpiryOption,Priority,DefSend,SendOption,SendHours,"
        "SendBeforeMin,SendDay,SendBeforeDay,SendDateTime,SendAt,BeforeAfterOption,ContactField,"
        "Source,SMSOutletID,MailOutletID,Remark,UpdateUserID) VALUES (GetDate(),'A'," +
        Str(ReserveID) + "," + Str(GuestID) + "," + Str(ServerID) + "," + Str(EventID) + "," +
        SQLStr(EventName) + "," + SQLStr(MessageType) + "," + Str(TemplateID) + "," +
        SQLStr(Destination) + "," + TextSQL(CCMail) + "," + TextSQL(BCCMail) + "," +
        TextSQL(MessageSubject) + "," + SQLStr(MessageContent) + "," + TimeSQL(SendTime) + "," +
        TimeSQL(ExpiryTime) + "," + Str(ExpiryOption) + "," + Str(Priority) + "," + Str(DefSend) +
        "," + Str(schedule.sendOption) + "," + Str(schedule.sendBeforeMin / 60) + "," +
        Str(schedule.sendBeforeMin) + "," + TextSQL(schedule.sendDay) + "," +
        Str(schedule.sendBeforeDay) + "," + TimeSQL(SendTime) + "," + TextSQL(schedule.sendAt) +
        "," + Str(schedule.beforeAfterOption) + "," + TextSQL(ContactField) + "," +
        TextSQL(Source) + "," + (sms ? Str(SMSOutletID) : "NULL") + "," +
        (sms ? "NULL" : Str(MailOutletID)) + "," + TextSQL(Remark) + "," + Str(UpdateUserID) +
        ")\r\nSELECT @@IDENTITY AS ID";
    auto rs = FirstOpenRecordset(db.RunSQLReturnRS(sql));
    if (rs == nullptr || rs->Eof()) {
        WriteSQLLog(db.ErrDescription(), sql, kModule, "Insert");
        return false;
    }
    ReserveMsgID = FieldLng(rs.get(), "ID");
    RowStatus = "A";
    return ReserveMsgID > 0;
}

void ResvMessage::Load(const Recordset* rs) {
    ReserveMsgID = FieldLng(rs, "ReserveMsgID");
    RowStatus = FieldStr(rs, "RowStatus");
    ReserveID = FieldLng(rs, "ReserveID");
    GuestID = FieldLng(rs, "GuestID");
    ServerID = FieldLng(rs, "ServerID");
    EventID = FieldLng(rs, "EventID");
    EventName = FieldStr(rs, "EventName");
    MessageType = FieldStr(rs, "MessageType");
    TemplateID = FieldLng(rs, "TemplateID");
    Destination = FieldStr(rs, "Destination");
    CCMail = FieldStr(rs, "CCMail");
    BCCMail = FieldStr(rs, "BCCMail");
    MessageSubject = FieldStr(rs, "MessageSubject");
    MessageContent = FieldStr(rs, "MessageContent");
    SendTime = OptTime(rs, "SendTime");
    ExpiryTime = OptTime(rs, "ExpiryTime");
    ExpiryOption = FieldLng(rs, "ExpiryOption");
    Priority = FieldLng(rs, "Priority");
    DefSend = FieldLng(rs, "DefSend");
    schedule.sendOption = FieldLng(rs, "SendOption");
    schedule.sendBeforeMin = FieldLng(rs, "SendBeforeMin");
    schedule.sendBeforeDay = FieldLng(rs, "SendBeforeDay");
    schedule.beforeAfterOption = FieldLng(rs, "BeforeAfterOption");
    ContactField = FieldStr(rs, "ContactField");
    Source = FieldStr(rs, "Source");
    SMSOutletID = FieldLng(rs, "SMSOutletID");
    MailOutletID = FieldLng(rs, "MailOutletID");
    Remark = FieldStr(rs, "Remark");
    UpdateUserID = FieldLng(rs, "UpdateUserID");
    SubmitStatus = FieldStr(rs, "SubmitStatus");
}

bool LoadResvMessages(SQLDB& db, int32_t reserveID, std::vector<ResvMessage>& out) {
    out.clear();
    auto rs =
        db.RunSQLReturnRS("SELECT * FROM tbl_ReservationMsg WHERE ReserveID=" + Str(reserveID) +
                          " ORDER BY ReserveMsgID");
    if (rs == nullptr) {
        WriteLog(db.ErrDescription(), kModule, "LoadResvMessages");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        ResvMessage m;
        m.Load(rs.get());
        out.push_back(std::move(m));
    }
    return true;
}

bool WithdrawUnsentMessages(SQLDB& db, int32_t reserveID, int32_t userID, int* count) {
    if (count != nullptr) *count = 0;
    const std::string unsent =
        " WHERE RowStatus='A' AND IsNull(SubmitStatus,'')='' AND ReserveID=" + Str(reserveID);
    auto rs = db.RunSQLReturnRS("SELECT ReserveMsgID FROM tbl_ReservationMsg" + unsent);
    if (rs == nullptr) {
        WriteLog(db.ErrDescription(), kModule, "WithdrawUnsentMessages");
        return false;
    }
    std::string ids;
    int n = 0;
    for (; !rs->Eof(); rs->MoveNext(), ++n)
        ids += (ids.empty() ? "" : ",") + Str(FieldLng(rs.get(), "ReserveMsgID"));
    if (n == 0) return true;
    // The rows found above only: a message the server submits meanwhile
    // keeps its status.
    const std::string sql =
        "UPDATE tbl_ReservationMsg SET RowStatus='X', RowModified=GetDate(), "
        "UpdateUserID=" +
        Str(userID) + unsent + " AND ReserveMsgID IN (" + ids +
        ")\r\nUpdate tbl_TemplateAttachment Set RowStatus = 'D' Where "
        "ReserveMsgID In (" +
        ids + ")";
    if (!db.RunSQLNoReturn(sql)) {
        WriteSQLLog(db.ErrDescription(), sql, kModule, "WithdrawUnsentMessages");
        return false;
    }
    if (count != nullptr) *count = n;
    return true;
}
