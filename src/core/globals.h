#pragma once
// Process-wide objects and values owned by the start-up module for the life
// of the process.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class Config;

extern std::unique_ptr<Config> g_oConfig;
extern int16_t g_nLanguage;
// Last outlet per view: 0 OutletNP, 1 OutletCV, 2 OutletFV, 3 OutletPV, 4 OutletNR.
extern std::array<int32_t, 5> g_lLastOutlet;
extern std::map<std::string, std::string> g_oGlobalValues;
extern std::string g_sAppVersion;
extern bool g_bInIDE;
extern int32_t g_nScreenWidthPx;
extern int32_t g_nScreenHeightPx;

class DBConnections;
class Client;
// All database servers with one SQLDB each, and this workstation's record.
extern std::unique_ptr<DBConnections> g_oDBConns;
extern std::unique_ptr<Client> g_oClient;
