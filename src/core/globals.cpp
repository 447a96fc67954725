#include "core/globals.h"

#include "core/config.h"
#include "registry/client.h"
#include "registry/dbconnections.h"

std::unique_ptr<Config> g_oConfig;
int16_t g_nLanguage = 1;
std::array<int32_t, 5> g_lLastOutlet{};
std::map<std::string, std::string> g_oGlobalValues;
std::string g_sAppVersion;
bool g_bInIDE = false;
int32_t g_nScreenWidthPx = 0;
int32_t g_nScreenHeightPx = 0;
std::unique_ptr<DBConnections> g_oDBConns;
std::unique_ptr<Client> g_oClient;
