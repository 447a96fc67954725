#include "core/config.h"

#include <algorithm>
#include <cstdlib>

#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "core/version.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kClass = "Config";

const char* const kDateFormats[] = {"dd/MM/yy", "dd/MM/yyyy", "dd-MM-yy",      "dd-MM-yyyy",
                                    "d/M/yy",   "d-M-yy",     "yy/MM/dd",      "yyyy/MM/dd",
                                    "yy-MM-dd", "yyyy-MM-dd", "yy/M/d",        "yy-M-d",
                                    "MM/dd/yy", "MM/dd/yyyy", "MM-dd-yy",      "MM-dd-yyyy",
                                    "M/d/yy",   "M-d-yy",     "yyyy-MM-dd ddd"};

const std::pair<const char*, const char*> kTimeFormats[] = {{"hh:nn", "HH:mm"},
                                                            {"hh:nn:ss", "HH:mm:ss"},
                                                            {"h:n", "H:m"},
                                                            {"h:n:s", "H:m:s"},
                                                            {"hh:nn am/pm", "HH:mm tt"},
                                                            {"h:n am/pm", "H:m tt"},
                                                            {"hh:nn:ss am/pm", "HH:mm:ss tt"},
                                                            {"h:n:s am/pm", "HH:mm:ss tt"}};

// The row's value typed by ParaDataType: "I" integer (0 when not a number), else text.
Variant Typed(const std::string& dataType, const Variant& value) {
    if (dataType == "I") return Variant(static_cast<int64_t>(value.ToInt32()));
    return Variant(value.ToText());
}

void AddProblem(std::string& problems, const std::string& english) {
    problems += "\n- " + GetMLText(english);
}

// " 1 day 2 hours" for a number of minutes; zero parts are left out.
std::string DurationText(int64_t minutes) {
    struct Unit {
        int64_t size;
        const char* plural;
        const char* singular;
    } units[] = {{1440, "days", "day"}, {60, "hours", "hour"}, {1, "minutes", "minute"}};
    std::string out;
    for (const Unit& u : units) {
        int64_t n = minutes / u.size;
        minutes %= u.size;
        if (n != 0)
            out += " " + std::to_string(n) + " " + GetMLText(n >= 2 ? u.plural : u.singular);
    }
    return out;
}

}  // namespace

Variant Config::ResvParam(const std::string& name) const {
    auto it = resvParams_.find(name);
    return it == resvParams_.end() ? Variant() : it->second;
}

Variant Config::ConfigParam(const std::string& name) const {
    auto it = configParams_.find(name);
    return it == configParams_.end() ? Variant() : it->second;
}

std::string Config::Caption(const std::string& name, const std::string& which) const {
    auto it = captions_.find(name);
    if (it == captions_.end()) return {};
    auto v = it->second.find(which);
    return v == it->second.end() ? std::string() : v->second;
}

std::string Config::UserRight(const std::string& key) const {
    const std::string* v = userRights_.Item(key);
    return v == nullptr ? std::string() : *v;
}

bool Config::Load(SQLDB& sqldb) {
    resvParams_.clear();
    captions_.clear();
    configParams_.clear();
    const std::string sql =
        "Select * from tbl_Parameter Where RowStatus='A' \nSelect convert(VarChar(19),  GetDate() "
        ", 121) as ServerTime";
    std::shared_ptr<Recordset> rs = sqldb.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(sqldb.ErrDescription(), sql, kClass, "Load");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext())
        ReadParameterRow(*rs);
    std::string problems;
    std::shared_ptr<Recordset> last = LastRecordset(rs);
    CheckClock(last.get(), problems);
    DerivePseudoGuest(sqldb);
    g_sAppVersion = CT_VERSION_TEXT;
    CheckVersion();
    CheckFormats(problems);
    LoadUserRights(sqldb);
    if (!problems.empty()) {
        UI().MessageBox(GetMLText("Configuration Error") + ":" + problems, MsgIcon::Exclamation,
                        "CulinaroTable");
        return false;
    }
    return true;
}

void Config::ReadParameterRow(const Recordset& rs) {
    std::string module = FieldStr(&rs, "ParaModule");
    std::string name = FieldStr(&rs, "ParaName");
    std::string type = FieldStr(&rs, "ParaDataType");
    const Variant* value = rs.Field("ParaValue");
    Variant v = value != nullptr ? *value : Variant();
    if (module == "RESV") {
        resvParams_[name] = Typed(type, v);
    } else if (module == "RESV_TEXT") {
        const Variant* text = rs.Field("ParaText");
        resvParams_[name] = Typed(type, text != nullptr ? *text : Variant());
    } else if (module == "CAPTION") {
        if (captions_.count(name) == 0)
            captions_[name] = {{"ParaValue", FieldStr(&rs, "ParaValue")},
                               {"ParaValue1", FieldStr(&rs, "ParaValue1")}};
    } else if (module == "CONFIG") {
        configParams_[name] = Typed(type, v);
        ReadConfigRow(name, v);
    } else if (module == "SYS") {
        if (name == "ORBA") orbaMode_ = v.ToInt32() == 1;
        if (name == "Version") serverVersion_ = v.ToText();
    }
}

void Config::ReadConfigRow(const std::string& name, const Variant& value) {
    std::string text = value.ToText();
    int number = value.ToInt32();
    if (name == "GuestQuickSearchField") guestQuickSearchField_ = text;
    if (name == "DateFormat") dateFormat_ = text;
    if (name == "TimeFormat") timeFormat_ = text;
    if (name == "FilterLevel") {
        bool ok = false;
        int level = value.ToInt32(&ok);
        if (ok && level >= 0 && level <= 4) filterLevel_ = level;
    }
    if (name == "ClientTimeDiffTolerant") clientTimeDiffTolerant_ = number;
    if (name == "PrinterName") printerName_ = text;
    if (name == "AppTitleSuffix") appTitleSuffix_ = text.empty() ? "" : " (" + text + ")";
    if (name == "ResvListQuickKeyEnable") resvListQuickKeyEnable_ = number == 1;
    std::string upper = UpperAscii(name);
    if (upper == "SMSVALIDSENDTIME") smsValidSendTime_ = number;
    if (upper == "WEBSVRREF") webSvrRef_ = text;
    if (upper == "WEBSVRTIMEOUT") webSvrTimeout_ = number;
    if (upper == "GETOUTLETSUMMARY") getOutletSummary_ = number;
    if (upper == "SHOWMOREGUESTPREF") showMoreGuestPref_ = number;
}

void Config::CheckClock(const Recordset* serverTime, std::string& problems) {
    const std::string stored = FieldStr(serverTime, "ServerTime");
    auto server = DateTime::Parse(stored);
    if (!server) {
        // The check cannot be made; say so rather than pass in silence.
        WriteLog("Cannot read the server time (" + stored + ")", kClass, "Load", kLogError, 1);
        return;
    }
    DateTime local = DateTime::Now();
    serverClockLead_ = server->SecondsSinceEpoch() - local.SecondsSinceEpoch();
    // Whole minutes as a calendar difference: minute boundaries crossed.
    int64_t d = local.SecondsSinceEpoch() / 60 - server->SecondsSinceEpoch() / 60;
    if (d <= clientTimeDiffTolerant_ && d >= -clientTimeDiffTolerant_) return;
    std::string lead = d > 0 ? "The time of this workstation is faster than the server time by"
                             : "The time of this workstation is slower than the server time by";
    std::string pattern = dateFormat_ + " " + timeFormat_;
    std::string text = GetMLText(lead) + ":" + DurationText(std::llabs(d)) + "\n    " +
                       GetMLText("Server Time") + ": " + server->Format(pattern) + "\n    " +
                       GetMLText("Local Time") + ": " + local.Format(pattern);
    problems += "\n- " + text;
}

void Config::DerivePseudoGuest(SQLDB& sqldb) {
    auto it = resvParams_.find("PseudoGuestNo");
    if (it == resvParams_.end()) return;
    std::string sql = "Select GuestID from tbl_Guest Where DYAccountNo = '" + it->second.ToText() +
                      "' and RowStatus='A'";
    std::shared_ptr<Recordset> rs = sqldb.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(sqldb.ErrDescription(), sql, kClass, "Load");
        return;
    }
    if (rs->RecordCount() == 1)
        resvParams_["PseudoGuestID"] = Variant(static_cast<int64_t>(FieldLng(rs.get(), "GuestID")));
}

void Config::CheckVersion() const {
    if (serverVersion_.empty() || serverVersion_ == g_sAppVersion || g_bInIDE) return;
    UI().MessageBox("- " + GetMLText("Server version and application version doesn't match") +
                        "\n  " + GetMLText("Server version") + ": " + serverVersion_ + "\n  " +
                        GetMLText("Client version") + ": " + g_sAppVersion,
                    MsgIcon::Exclamation, "CulinaroTable");
}

void Config::CheckFormats(std::string& problems) {
    if (guestQuickSearchField_.empty())
        AddProblem(problems, "Guest quick search field is not defined");
    if (dateFormat_.empty()) AddProblem(problems, "Date format is not defined");
    if (timeFormat_.empty()) AddProblem(problems, "Time format is not defined");
    if (filterLevel_ == kFilterLevelUndefined)
        AddProblem(problems, "Filter level is not defined correctly");
    if (!dateFormat_.empty() && std::none_of(std::begin(kDateFormats), std::end(kDateFormats),
                                             [&](const char* f) { return dateFormat_ == f; }))
        AddProblem(problems, "The date format is not defined correctly");
    if (timeFormat_.empty()) return;
    std::string lower = LowerAscii(timeFormat_);
    for (const auto& [format, display] : kTimeFormats) {
        if (lower == format) {
            timeFormatDisplay_ = display;
            return;
        }
    }
    AddProblem(problems, "The time format is not defined correctly");
}

bool Config::LoadUserRights(SQLDB& sqldb) {
    userRights_.Clear();
    const std::string sql =
        "Select * From tbl_UserRight Where RowStatus='A' Order by Module, RightIndex, "
        "RightSubIndex";
    std::shared_ptr<Recordset> rs = sqldb.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(sqldb.ErrDescription(), sql, kClass, "LoadUserRights");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string module = FieldStr(rs.get(), "Module");
        std::string prefix = module + ":" + std::to_string(FieldLng(rs.get(), "RightIndex")) + ":";
        int32_t sub = FieldLng(rs.get(), "RightSubIndex");
        std::string desc = FieldStr(rs.get(), "DescL1");
        userRights_.Add(prefix + std::to_string(sub), desc);
        const Variant* allowNew = rs->Field("AllowNew");
        if (module == "BE" && allowNew != nullptr && !allowNew->IsNull()) {
            userRights_.Add(prefix + std::to_string(sub + 1), desc + "(New)");
            userRights_.Add(prefix + std::to_string(sub + 2), desc + "(Update)");
            userRights_.Add(prefix + std::to_string(sub + 3), desc + "(Delete)");
        }
    }
    return true;
}

DateTime ServerClockNow() {
    const DateTime now = DateTime::Now();
    return g_oConfig != nullptr ? now.AddSeconds(g_oConfig->ServerClockLead()) : now;
}
