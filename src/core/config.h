#pragma once
// Config (g_oConfig): the paths and INI values start-up sets, and, once
// loaded, the installation's system parameters.
#include <cstdint>
#include <map>
#include <string>

#include "core/orderedmap.h"
#include "sql/variant.h"

class SQLDB;
class Recordset;

// FilterLevel before a valid value is loaded.
constexpr int kFilterLevelUndefined = -1;

class Config {
  public:
    // Loads tbl_Parameter and the rights catalogue from `sqldb`, checks the
    // configuration and the clock; false (after one message listing every
    // problem) when the workstation must not start.
    bool Load(SQLDB& sqldb);

    // Store look-ups by ParaName; an empty value when missing.
    Variant ResvParam(const std::string& name) const;
    Variant ConfigParam(const std::string& name) const;
    // A CAPTION row's "ParaValue" or "ParaValue1" text.
    std::string Caption(const std::string& name, const std::string& which = "ParaValue") const;
    // "Module:RightIndex:RightSubIndex" -> description; "" when absent.
    std::string UserRight(const std::string& key) const;
    const OrderedMap<std::string, std::string>& UserRights() const { return userRights_; }

    const std::string& GuestQuickSearchField() const { return guestQuickSearchField_; }
    const std::string& DateFormat() const { return dateFormat_; }
    const std::string& TimeFormat() const { return timeFormat_; }
    const std::string& TimeFormatDisplay() const { return timeFormatDisplay_; }
    int FilterLevel() const { return filterLevel_; }
    int ClientTimeDiffTolerant() const { return clientTimeDiffTolerant_; }
    // Seconds the default database's clock (GetDate()) was ahead of this
    // workstation's when the parameters were loaded; negative when behind.
    int64_t ServerClockLead() const { return serverClockLead_; }
    const std::string& PrinterName() const { return printerName_; }
    const std::string& AppTitleSuffix() const { return appTitleSuffix_; }
    bool ResvListQuickKeyEnable() const { return resvListQuickKeyEnable_; }
    int SMSValidSendTime() const { return smsValidSendTime_; }
    const std::string& WebSvrRef() const { return webSvrRef_; }
    int WebSvrTimeout() const { return webSvrTimeout_; }
    int GetOutletSummary() const { return getOutletSummary_; }
    int ShowMoreGuestPref() const { return showMoreGuestPref_; }
    bool ORBAMode() const { return orbaMode_; }
    void SetORBAMode(bool v) { orbaMode_ = v; }
    const std::string& ServerVersion() const { return serverVersion_; }
    int32_t PseudoGuestID() const { return ResvParam("PseudoGuestID").ToInt32(); }

    // Values set by start-up.
    const std::string& AppName() const { return appName_; }
    void SetAppName(const std::string& v) { appName_ = v; }
    const std::string& InstallRoot() const { return installRoot_; }
    void SetInstallRoot(const std::string& v) { installRoot_ = v; }
    const std::string& BinPath() const { return binPath_; }
    void SetBinPath(const std::string& v) { binPath_ = v; }
    const std::string& LogFolder() const { return logFolder_; }
    void SetLogFolder(const std::string& v) { logFolder_ = v; }
    const std::string& ClientIniPath() const { return clientIniPath_; }
    void SetClientIniPath(const std::string& v) { clientIniPath_ = v; }
    const std::string& ConnectionString() const { return connectionString_; }
    void SetConnectionString(const std::string& v) { connectionString_ = v; }
    int LogLevel() const { return logLevel_; }
    void SetLogLevel(int v) { logLevel_ = v; }
    int LogArchivedPeriod() const { return logArchivedPeriod_; }
    void SetLogArchivedPeriod(int v) { logArchivedPeriod_ = v; }
    int SeatPOS() const { return seatPOS_; }
    void SetSeatPOS(int v) { seatPOS_ = v; }
    int ShowLegend() const { return showLegend_; }
    void SetShowLegend(int v) { showLegend_ = v; }
    int PanelPOS() const { return panelPOS_; }
    void SetPanelPOS(int v) { panelPOS_ = v; }
    bool WritePacketLog() const { return writePacketLog_; }
    void SetWritePacketLog(bool v) { writePacketLog_ = v; }
    int Language() const { return language_; }
    void SetLanguage(int v) { language_ = v; }
    bool HighlightOptionDesc() const { return highlightOptionDesc_; }
    void SetHighlightOptionDesc(bool v) { highlightOptionDesc_ = v; }
    int StatSummaryView() const { return statSummaryView_; }
    void SetStatSummaryView(int v) { statSummaryView_ = v; }
    bool RecallLastOutlet() const { return recallLastOutlet_; }
    void SetRecallLastOutlet(bool v) { recallLastOutlet_ = v; }

  private:
    void ReadParameterRow(const Recordset& rs);
    void ReadConfigRow(const std::string& name, const Variant& value);
    void CheckClock(const Recordset* serverTime, std::string& problems);
    void DerivePseudoGuest(SQLDB& sqldb);
    void CheckVersion() const;
    void CheckFormats(std::string& problems);
    bool LoadUserRights(SQLDB& sqldb);

    std::map<std::string, Variant> resvParams_;
    std::map<std::string, std::map<std::string, std::string>> captions_;
    std::map<std::string, Variant> configParams_;
    OrderedMap<std::string, std::string> userRights_;
    std::string guestQuickSearchField_;
    std::string dateFormat_;
    std::string timeFormat_;
    std::string timeFormatDisplay_;
    int filterLevel_ = kFilterLevelUndefined;
    int clientTimeDiffTolerant_ = 0;
    int64_t serverClockLead_ = 0;
    std::string printerName_;
    std::string appTitleSuffix_;
    bool resvListQuickKeyEnable_ = false;
    int smsValidSendTime_ = 0;
    std::string webSvrRef_;
    int webSvrTimeout_ = 0;
    int getOutletSummary_ = 0;
    int showMoreGuestPref_ = 0;
    bool orbaMode_ = false;
    std::string serverVersion_;

    std::string appName_ = "KIV";
    std::string installRoot_;
    std::string binPath_;
    std::string logFolder_ = "../Log/";
    std::string clientIniPath_;
    std::string connectionString_;
    int logLevel_ = 1;
    int logArchivedPeriod_ = 4;
    int seatPOS_ = 0;
    int showLegend_ = 0;
    int panelPOS_ = 0;
    bool writePacketLog_ = false;
    int language_ = 1;
    bool highlightOptionDesc_ = false;
    int statSummaryView_ = 1;
    bool recallLastOutlet_ = false;
};

// The database server's present time as this workstation reckons it: its own
// clock plus the lead measured at start-up (its own clock before that). For
// comparisons with times the server stamped, such as a hold's HoldDT.
DateTime ServerClockNow();
