#include "registry/colorstorage.h"

#include "core/log.h"
#include "platform/inifile.h"
#include "platform/textutil.h"
#include "sql/dbengine.h"

namespace {

ColorOrder g_installationOrder = ColorOrder::Rgb;

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

bool SqlServerProvider(const std::string& provider) {
    return provider == "sqloledb" || StartsWith(provider, "sqlncli") ||
           StartsWith(provider, "msoledbsql");
}

// Driver names as unixODBC's odbcinst.ini and the vendors spell them:
// "FreeTDS", "ODBC Driver 18 for SQL Server", "{SQL Server}".
bool SqlServerDriver(const std::string& driver) {
    return driver.find("sql server") != std::string::npos ||
           driver.find("freetds") != std::string::npos;
}

}  // namespace

ColorOrder DefaultColorOrder(const std::string& connectionString) {
    const ConnectionProperties props = ParseConnectionString(connectionString);
    auto value = [&](const char* key) {
        auto it = props.find(key);
        return it == props.end() ? std::string() : LowerAscii(Trim(it->second));
    };
    const std::string provider = value("provider");
    if (SqlServerProvider(provider)) return ColorOrder::Bgr;
    if (provider == "odbc" && SqlServerDriver(value("driver"))) return ColorOrder::Bgr;
    return ColorOrder::Rgb;
}

std::optional<ColorOrder> ParseColorOrder(const std::string& text) {
    const std::string t = UpperAscii(Trim(text));
    if (t == "RGB") return ColorOrder::Rgb;
    if (t == "BGR") return ColorOrder::Bgr;
    return std::nullopt;
}

ColorOrder ReadColorOrder(const std::string& connIniPath, const std::string& connectionString) {
    const ColorOrder fallback = DefaultColorOrder(connectionString);
    const std::string text =
        GetPrivateProfileString("DB", "ColorOrder", "", connIniPath, kIniShortBuffer);
    if (Trim(text).empty()) return fallback;
    if (auto order = ParseColorOrder(text)) return *order;
    WriteLog("Unknown ColorOrder " + text + " (RGB or BGR), using " +
                 (fallback == ColorOrder::Bgr ? "BGR" : "RGB"),
             "modMain", "ReadColorOrder", kLogError, 1);
    return fallback;
}

int32_t ColorFromStored(int32_t stored, ColorOrder order) {
    if (order == ColorOrder::Rgb) return stored;
    const auto v = static_cast<uint32_t>(stored);
    const uint32_t swapped = (v & 0xFF00FF00u) | ((v & 0xFFu) << 16) | ((v >> 16) & 0xFFu);
    return static_cast<int32_t>(swapped);
}

int32_t ColorToStored(int32_t rgb, ColorOrder order) {
    // The swap is its own inverse.
    return ColorFromStored(rgb, order);
}

void SetInstallationColorOrder(ColorOrder order) {
    g_installationOrder = order;
}

int32_t StoredColorToRgb(int32_t stored) {
    return ColorFromStored(stored, g_installationOrder);
}

int32_t RgbToStoredColor(int32_t rgb) {
    return ColorToStored(rgb, g_installationOrder);
}
