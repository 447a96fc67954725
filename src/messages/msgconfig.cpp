#include "messages/msgconfig.h"

#include "core/log.h"
#include "platform/strnum.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kModule = "ResvMessage";

void ReadConfig(const Recordset* rs, char level, MessageConfig& c) {
    c.SMSOutletID = FieldLng(rs, "SMSOutletID");
    c.OutletID = FieldLng(rs, "OutletID");
    c.MPOutletID = FieldLng(rs, "MPOutletID");
    c.EventID = FieldLng(rs, "EventID");
    c.DefTemplateID = FieldLng(rs, "DefTemplateID");
    c.ServerID = FieldLng(rs, "ServerID");
    c.MessageType = FieldStr(rs, "MessageType");
    c.schedule.sendOption = FieldLng(rs, "SendOption");
    c.schedule.sendBeforeMin = FieldLng(rs, "SendBeforeMin");
    c.schedule.beforeAfterOption = FieldLng(rs, "BeforeAfterOption");
    c.schedule.sendBeforeDay = FieldLng(rs, "SendBeforeDay");
    const DateTime day = FieldDate(rs, "SendDay");
    c.schedule.sendDay = day.Valid() && day.Year > 1900 ? day.DateText() : "";
    const DateTime at = FieldDate(rs, "SendAt");
    c.schedule.sendAt = FieldStr(rs, "SendAt").empty() ? "" : at.Format("hh:nn");
    c.ExpiryOption = FieldLng(rs, "ExpiryOption");
    c.ExpiryMinutes = FieldLng(rs, "ExpiryMinutes");
    c.level = level;
}

}  // namespace

bool FindMessageEvent(SQLDB& db, const std::string& module, const std::string& code,
                      MessageEvent& event, bool& found) {
    found = false;
    auto rs = db.RunSQLReturnRS(
        "SELECT * FROM tbl_MessageEvent WHERE RowStatus='A' AND EventModule=" + SQLStr(module) +
        " AND EventCode=" + SQLStr(code) + " ORDER BY EventID");
    if (rs == nullptr) {
        WriteLog("Cannot read the message event " + code + ": " + db.ErrDescription(), kModule,
                 "FindMessageEvent");
        return false;
    }
    if (rs->Eof()) return true;
    event.EventID = FieldLng(rs.get(), "EventID");
    event.EventModule = FieldStr(rs.get(), "EventModule");
    event.EventCode = FieldStr(rs.get(), "EventCode");
    event.Name = FieldStr(rs.get(), "NameL1");
    found = true;
    return true;
}

bool FindMessageConfig(SQLDB& db, int32_t outletID, int32_t mpOutletID, const DateTime& date,
                       int32_t eventID, const std::string& messageType, MessageConfig& config,
                       bool& found) {
    found = false;
    const std::string day = SQLStr(date.DateText());
    const std::string head =
        "SELECT * FROM tbl_SMSOutlet WHERE RowStatus='A' AND OutletID=" + Str(outletID) +
        " AND EventID=" + Str(eventID) + " AND MessageType=" + SQLStr(messageType) +
        " AND (MPOutletID=" + Str(mpOutletID) + " OR IsNull(MPOutletID,0)=0)";
    const std::string order = " ORDER BY IsNull(MPOutletID,0) DESC, SMSOutletID";
    const struct {
        char level;
        std::string where;
    } levels[] = {
        {'A', " AND BizDate=" + day},
        {'B',
         " AND BizDate IS NULL AND CalendarGroupID IN (SELECT C.CalendarGroupID FROM "
         "tbl_Calendar AS C JOIN tbl_CalendarGroup AS G ON G.CalendarGroupID = "
         "C.CalendarGroupID WHERE C.RowStatus='A' AND G.RowStatus='A' AND C.CalendarDate=" +
             day + ")"},
        {'C', " AND BizDate IS NULL AND IsNull(CalendarGroupID,0)=0"},
    };
    for (const auto& l : levels) {
        auto rs = db.RunSQLReturnRS(head + l.where + order);
        if (rs == nullptr) {
            WriteLog("Cannot read the message configuration of outlet " + Str(outletID) + ": " +
                         db.ErrDescription(),
                     kModule, "FindMessageConfig");
            return false;
        }
        if (rs->Eof()) continue;
        ReadConfig(rs.get(), l.level, config);
        found = true;
        return true;
    }
    return true;
}
