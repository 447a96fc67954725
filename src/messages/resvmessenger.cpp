#include "messages/resvmessenger.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "messages/msgconfig.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "reservations/reservation.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/outlet.h"

namespace {

constexpr const char* kModule = "ResvMessage";

bool OptedOut(const std::string& choice) {
    return UpperAscii(Trim(choice)) == "NO";
}

// The reservation's date and time ("ReserveDate" + "ReserveTime").
DateTime ResvDateTime(const Reservation& r) {
    DateTime day = r.GetFieldDate("ReserveDate").DatePart();
    const auto time = r.GetField("ReserveTime").ToDateTime();
    if (time) day = day.AddSeconds(time->Hour * 3600 + time->Minute * 60 + time->Second);
    return day;
}

std::string DateTimeText(const DateTime& t) {
    if (g_oConfig == nullptr || g_oConfig->DateFormat().empty())
        return t.Format("yyyy-mm-dd hh:nn");
    return t.Format(g_oConfig->DateFormat() + " " + g_oConfig->TimeFormat());
}

std::string JoinName(std::initializer_list<std::string> parts) {
    std::string out;
    for (const std::string& p : parts) {
        const std::string t = Trim(p);
        if (!t.empty()) out += (out.empty() ? "" : " ") + t;
    }
    return out;
}

}  // namespace

ResvMessenger::ResvMessenger(SQLDB* configDB) : configDB_(configDB) {}
ResvMessenger::~ResvMessenger() = default;

SQLDB* ResvMessenger::ConfigDB() const {
    return configDB_ != nullptr ? configDB_ : DefaultSQLDB();
}

DateTime ResvMessenger::Now() const {
    return now_ ? *now_ : DateTime::Now();
}

ProfileDefinition* ResvMessenger::Definition() {
    if (!defTried_ && ConfigDB() != nullptr) {
        defTried_ = true;
        auto def = std::make_unique<ProfileDefinition>();
        def->SetSQLDB(ConfigDB());
        if (def->LoadProfile(kProfileTelephone)) def_ = std::move(def);
    }
    return def_.get();
}

std::string ResvMessenger::UserText(int32_t userID) {
    const bool both =
        g_oConfig != nullptr && g_oConfig->ConfigParam("DisplayUserLoginID").ToInt32() == 1;
    std::string login, name;
    if (g_oUser != nullptr && g_oUser->UserID() == userID) {
        login = g_oUser->LoginID();
        name = g_oUser->UserNameL1();
    } else if (ConfigDB() != nullptr && userID > 0) {
        auto rs = ConfigDB()->RunSQLReturnRS("SELECT LoginID, NameL1 FROM tbl_User WHERE UserID=" +
                                             Str(userID));
        if (rs == nullptr || rs->Eof()) return "";
        login = FieldStr(rs.get(), "LoginID");
        name = FieldStr(rs.get(), "NameL1");
    }
    if (!both || name.empty()) return name.empty() ? login : name;
    return login + " (" + name + ")";
}

TemplateValues ResvMessenger::ValuesOf(const Reservation& resv, bool newResv) {
    TemplateValues v;
    v.guestName = JoinName({resv.GetFieldText("DYSalutation"), resv.GetFieldText("DYFirstName"),
                            resv.GetFieldText("DYLastName")});
    v.haveAudit = true;
    v.newResv = newResv;
    if (newResv) {
        v.createUser = UserText(g_oUser != nullptr ? g_oUser->UserID() : 0);
        v.updateDT = DateTimeText(Now());
    } else {
        auto when = [&](const char* field) {
            return resv.GetFieldText(field).empty() ? "" : DateTimeText(resv.GetFieldDate(field));
        };
        v.createDT = when("CreateDT");
        v.createUser = resv.GetFieldText("CreateUserID").empty()
                           ? ""
                           : UserText(resv.GetFieldLong("CreateUserID"));
        v.updateDT = when("UpdateDT");
    }
    // Every column of the row as stored, then the booking form's display
    // values (dates and times in the user's format, option names) over them.
    for (const auto& [name, value] : resv.Fields())
        v.fields.emplace_back(name, value.IsNull() ? "" : value.ToText());
    if (ProfileDefinition* def = Definition()) {
        def->FillFields(resv);
        for (const auto& [code, field] : def->Fields()) {
            const std::string column = field->DBField();
            if (column.empty() || !resv.HasField(code)) continue;
            v.fields.insert(v.fields.begin(), {column, field->GetDisplayText()});
        }
    }
    v.tableList = g_oConfig != nullptr && g_oConfig->ConfigParam("TplTableNoList").ToInt32() == 1;
    v.tableNoList = resv.GetFieldText("SYS_TableNoList");
    return v;
}

std::string ResvMessenger::Fill(const std::string& text, const TemplateValues& values) {
    std::string error;
    std::string out = EvaluateExpressions(FillPlaceholders(text, values), &error);
    if (!error.empty()) WriteLog(error, "KIVFunc", "GetTemplateBySQLR");
    return out;
}

bool ResvMessenger::ReadTemplate(const std::string& where, std::string& type, std::string& subject,
                                 std::string& text, int32_t& id) {
    SQLDB* db = ConfigDB();
    if (db == nullptr) {
        SetErr(kErrNoDefaultDB, kModule, "GetTemplateBySQL", "DB Object is nothing");
        WriteLog("DB Object is nothing", kModule, "GetTemplateBySQL");
        return false;
    }
    const std::string sql =
        "SELECT * FROM tbl_Template WHERE RowStatus='A' AND " + where + " ORDER BY TemplateID";
    auto rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db->ErrDescription(), sql, kModule, "GetTemplateBySQL");
        return false;
    }
    if (rs->Eof()) return false;
    id = FieldLng(rs.get(), "TemplateID");
    type = UpperAscii(FieldStr(rs.get(), "Type"));
    subject = FieldStr(rs.get(), "Subject");
    text = FieldStr(rs.get(), "Template");
    return true;
}

bool ResvMessenger::FillTemplateByCode(const std::string& code, const Reservation& resv,
                                       bool newResv, std::string& type, std::string& subject,
                                       std::string& text) {
    int32_t id = 0;
    if (!ReadTemplate("TemplateCode=" + SQLStr(code), type, subject, text, id)) return false;
    const TemplateValues values = ValuesOf(resv, newResv);
    subject = Fill(subject, values);
    text = Fill(text, values);
    return true;
}

bool ResvMessenger::Build(const std::string& eventCode, const Reservation& resv, bool newResv,
                          std::vector<ResvMessage>& out, QueueResult& result) {
    SQLDB* db = ConfigDB();
    if (db == nullptr) return false;
    MessageEvent event;
    bool found = false;
    if (!FindMessageEvent(*db, "Resv", eventCode, event, found)) return false;
    if (!found) return true;
    const DateTime resvTime = ResvDateTime(resv);
    std::optional<TemplateValues> values;
    for (const char* type : {kMsgSMS, kMsgEmail}) {
        MessageConfig config;
        if (!FindMessageConfig(*db, resv.GetFieldLong("OutletID"), resv.GetFieldLong("MPOutletID"),
                               resvTime, event.EventID, type, config, found))
            return false;
        if (!found) continue;
        result.configured = true;
        const bool sms = std::string(type) == kMsgSMS;
        if (OptedOut(resv.GetFieldText(sms ? "ReceiveSMS" : "ReceiveEmail"))) {
            result.notes.push_back(std::string("The guest does not receive ") +
                                   (sms ? "SMS" : "e-mail") + " messages");
            continue;
        }
        ResvMessage m;
        std::string tplType, subject, text;
        if (!ReadTemplate("TemplateID=" + Str(config.DefTemplateID), tplType, subject, text,
                          m.TemplateID)) {
            result.notes.push_back("Template not found: " + Str(config.DefTemplateID));
            continue;
        }
        if (!values) values = ValuesOf(resv, newResv);
        m.ReserveID = resv.GetFieldLong("ReserveID");
        m.GuestID = resv.GetFieldLong("GuestID");
        m.ServerID = config.ServerID;
        m.EventID = event.EventID;
        m.EventName = event.Name.empty() ? event.EventCode : event.Name;
        m.MessageType = type;
        if (sms) {
            m.ContactField =
                Trim(resv.GetFieldText("DYSMSContact")).empty() ? "ContactPhone" : "DYSMSContact";
            m.SMSOutletID = config.SMSOutletID;
        } else {
            m.ContactField = "Email";
            m.MailOutletID = config.SMSOutletID;
            m.MessageSubject = Fill(subject, *values);
        }
        m.Destination = Trim(resv.GetFieldText(m.ContactField));
        // A guest who never chose is messaged where a destination is known;
        // a booking without one is not refused for it.
        if (m.Destination.empty() &&
            UpperAscii(Trim(resv.GetFieldText(sms ? "ReceiveSMS" : "ReceiveEmail"))) != "YES") {
            result.notes.push_back(std::string("No destination for the ") +
                                   (sms ? "SMS" : "e-mail") + " message");
            continue;
        }
        m.MessageContent = Fill(text, *values);
        m.schedule = config.schedule;
        std::string error;
        if (!ComputeSendTime(config.schedule, resvTime, Now(), m.SendTime, &error)) {
            WriteLog(error, kModule, "Build");
            result.notes.push_back(error);
            continue;
        }
        m.ExpiryOption = config.ExpiryOption;
        m.ExpiryTime =
            ComputeExpiry(config.ExpiryOption, config.ExpiryMinutes, resvTime, m.SendTime);
        m.UpdateUserID = g_oUser != nullptr ? g_oUser->UserID() : 0;
        m.ResvTime = resvTime;
        m.ReceiveSMS = resv.GetFieldText("ReceiveSMS");
        m.ReceiveEmail = resv.GetFieldText("ReceiveEmail");
        out.push_back(std::move(m));
    }
    return true;
}

std::string ResvMessenger::Validate(const ResvMessage& m, const DateTime& now,
                                    const SendWindow& window) {
    const bool sms = m.MessageType == kMsgSMS;
    if (Trim(m.Destination).empty()) return "Destination cannot be empty";
    if (sms && !ValidSMSPhone(m.Destination)) return "Invalid phone for sending SMS message";
    if (!sms && m.ExpiryTime && *m.ExpiryTime < now) return "The Email has already been expired";
    if (sms && m.SendTime && !window.Allows(*m.SendTime))
        return "This send time " + m.SendTime->Format("yyyy-mm-dd hh:nn") +
               " is not allowed to send message";
    return "";
}

std::string ResvMessenger::CheckSendTime(const ResvMessage& m) {
    if (!m.SendTime) return "";
    if (*m.SendTime > m.ResvTime)
        return "Message send time should not be later than the reservation time.";
    if (m.ExpiryTime && *m.SendTime > *m.ExpiryTime)
        return "Message send time should not later than the expiry time.";
    return "";
}

bool ResvMessenger::QueueEvent(SQLDB& db, int32_t reserveID, const std::string& eventCode,
                               bool newResv, QueueResult& result) {
    Reservation resv;
    if (!ReadReservationRow(db, reserveID, resv)) {
        WriteLog("Cannot read reservation " + Str(reserveID), kModule, "QueueEvent");
        return false;
    }
    std::vector<ResvMessage> built;
    if (!Build(eventCode, resv, newResv, built, result)) return false;
    const SendWindow window(g_oConfig != nullptr ? g_oConfig->SMSValidSendTime() : 0);
    for (ResvMessage& m : built) {
        std::string refusal = Validate(m, Now(), window);
        if (refusal.empty()) refusal = CheckSendTime(m);
        if (!refusal.empty()) {
            result.notes.push_back(m.MessageType + ": " + refusal);
            continue;
        }
        if (!m.Insert(db)) return false;
        result.queued.push_back(m.ReserveMsgID);
    }
    return true;
}

bool ResvMessenger::Requeue(SQLDB& db, int32_t reserveID, const char* event, QueueResult& result) {
    const int32_t user = g_oUser != nullptr ? g_oUser->UserID() : 0;
    const bool ok = WithdrawUnsentMessages(db, reserveID, user) &&
                    QueueEvent(db, reserveID, event, false, result);
    for (const std::string& note : result.notes)
        WriteLog("Reservation " + Str(reserveID) + ": " + note, kModule, event);
    return ok;
}

bool ResvMessenger::Reschedule(SQLDB& db, int32_t reserveID, QueueResult& result) {
    return Requeue(db, reserveID, kEventReminder, result);
}

bool ResvMessenger::Cancelled(SQLDB& db, int32_t reserveID, QueueResult& result) {
    return Requeue(db, reserveID, kEventCancelResv, result);
}

std::string ResvMessenger::ValidateMessages(const Reservation& booking, const Outlet& outlet,
                                            int32_t mpOutletID, const DateTime& date) {
    planned_.clear();
    Reservation r;
    r.CopyFrom(booking);
    r.SetField("OutletID", Variant(outlet.OutletID()));
    r.SetField("MPOutletID", Variant(mpOutletID));
    r.SetField("ReserveDate", Variant(date.DateText()));
    QueueResult ignored;
    for (const char* event : {kEventNewResv, kEventReminder}) {
        if (!Build(event, r, true, planned_, ignored)) {
            planned_.clear();
            return "Cannot read the message configuration";
        }
    }
    const SendWindow window(g_oConfig != nullptr ? g_oConfig->SMSValidSendTime() : 0);
    for (const ResvMessage& m : planned_) {
        const std::string refusal = Validate(m, Now(), window);
        if (!refusal.empty()) return refusal;
    }
    return "";
}

std::string ResvMessenger::CheckSendTimes() {
    for (const ResvMessage& m : planned_) {
        const std::string refusal = CheckSendTime(m);
        if (!refusal.empty()) return refusal;
    }
    return "";
}

bool ResvMessenger::QueueMessages(SQLDB& db, int32_t reserveID, const Outlet&) {
    bool ok = true;
    for (const char* event : {kEventNewResv, kEventReminder}) {
        QueueResult result;
        if (!QueueEvent(db, reserveID, event, true, result)) ok = false;
        for (const std::string& note : result.notes)
            WriteLog("Reservation " + Str(reserveID) + ": " + note, kModule, "QueueMessages");
    }
    planned_.clear();
    return ok;
}

bool ReadReservationRow(SQLDB& db, int32_t reserveID, Reservation& out) {
    auto rs = db.RunSQLReturnRS("SELECT * FROM tbl_Reservation WHERE ReserveID=" + Str(reserveID));
    if (rs == nullptr || rs->Eof()) return false;
    for (int i = 0; i < rs->FieldCount(); ++i)
        out.SetField(rs->FieldAt(i).Name, *rs->Field(i));
    std::string tables;
    auto trs = db.RunSQLReturnRS(
        "SELECT TableNo FROM tbl_TableReserve WHERE RowStatus='A' AND ReserveID=" + Str(reserveID) +
        " ORDER BY TableNo");
    for (; trs != nullptr && !trs->Eof(); trs->MoveNext())
        tables += (tables.empty() ? "" : ",") + FieldStr(trs.get(), "TableNo");
    out.SetField("SYS_TableNoList", Variant(tables));
    return true;
}
