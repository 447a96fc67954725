#pragma once
// Config (g_oConfig): the paths and INI values start-up sets, and, once
// loaded, the installation's system parameters.
#include <cstdint>
#include <string>

class Config {
  public:
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
