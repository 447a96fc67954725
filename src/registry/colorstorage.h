#pragma once
// How an installation's databases store colour values (tbl_ColorDef's
// ColorValue, tbl_FloorPlan's BgColor). The program works in 0xRRGGBB
// throughout; a database written by the SQL Server back office holds
// Windows colour values, 0x00BBGGRR. Record readers turn a stored value into
// 0xRRGGBB with ColorFromStored and anything written back goes through
// ColorToStored, so the order is decided here and nowhere else.
#include <cstdint>
#include <optional>
#include <string>

enum class ColorOrder { Rgb, Bgr };

// The order a database reached by `connectionString` holds: BGR for the SQL
// Server providers (SQLOLEDB, SQLNCLI..., MSOLEDBSQL..., and Provider=ODBC
// with a SQL Server or FreeTDS driver), RGB for every other engine.
ColorOrder DefaultColorOrder(const std::string& connectionString);
// "RGB" or "BGR", any case, blanks around ignored; nullopt otherwise.
std::optional<ColorOrder> ParseColorOrder(const std::string& text);
// The key ColorOrder of section DB of the connection INI when it holds RGB or
// BGR, else the default of the connection string. A value that is neither is
// logged (module "modMain", procedure "ReadColorOrder") and the default used.
ColorOrder ReadColorOrder(const std::string& connIniPath, const std::string& connectionString);

// Swaps the red and blue bytes unless `order` is RGB; the top byte stays.
int32_t ColorFromStored(int32_t stored, ColorOrder order);
int32_t ColorToStored(int32_t rgb, ColorOrder order);

// The installation's order, set once at start-up (RGB until then).
void SetInstallationColorOrder(ColorOrder order);
// ColorFromStored / ColorToStored with the installation's order: the doors
// every colour column is read and written through.
int32_t StoredColorToRgb(int32_t stored);
int32_t RgbToStoredColor(int32_t rgb);
