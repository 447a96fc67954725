// Stored colour values in either byte order: the conversion, the order an
// installation's connection settings choose, and the colours a workstation
// shows from a database that holds Windows colour values.
#include "registry/colorstorage.h"

#include "platform/inifile.h"
#include "support/installation.h"
#include "support/tempdir.h"
#include "venue/colordefs.h"
#include "venue/floorplan.h"
#include "venue/tablecolor.h"
#include "venue/venuefixture.h"

namespace {

TEST(ColorOrderTest, RedAndBlueKeepTheirPlaceInBothOrdersAndRoundTrip) {
    struct Case {
        const char* what;
        ColorOrder order;
        int32_t stored, rgb;
    };
    const Case cases[] = {
        {"red", ColorOrder::Bgr, 0x0000FF, 0xFF0000},
        {"blue", ColorOrder::Bgr, 0xFF0000, 0x0000FF},
        {"mixed", ColorOrder::Bgr, 0x3366CC, 0xCC6633},
        {"grey", ColorOrder::Bgr, 0x808080, 0x808080},
        // A system colour's top byte is not a colour channel.
        {"top byte", ColorOrder::Bgr, static_cast<int32_t>(0x80123456u),
         static_cast<int32_t>(0x80563412u)},
        {"red", ColorOrder::Rgb, 0xFF0000, 0xFF0000},
        {"blue", ColorOrder::Rgb, 0x0000FF, 0x0000FF},
        {"mixed", ColorOrder::Rgb, 0x3366CC, 0x3366CC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.order == ColorOrder::Bgr ? " BGR" : " RGB"));
        EXPECT_EQ(ColorFromStored(c.stored, c.order), c.rgb);
        EXPECT_EQ(ColorToStored(c.rgb, c.order), c.stored);
        EXPECT_EQ(ColorToStored(ColorFromStored(c.stored, c.order), c.order), c.stored);
    }
}

TEST(ColorOrderTest, TheDefaultFollowsTheEngineAndTheIniKeyOverridesIt) {
    const std::pair<const char*, ColorOrder> defaults[] = {
        {"Provider=SQLOLEDB;Initial Catalog=KIV", ColorOrder::Bgr},
        {"Provider=SQLNCLI11;Data Source=db1", ColorOrder::Bgr},
        {" provider = msoledbsql ;Data Source=db1", ColorOrder::Bgr},
        {"Provider=ODBC;Driver={ODBC Driver 18 for SQL Server};Server=db1", ColorOrder::Bgr},
        {"Provider=ODBC;Driver=FreeTDS;Server=db1", ColorOrder::Bgr},
        {"Provider=ODBC;Driver=SQLite3;Database=/srv/kiv.db", ColorOrder::Rgb},
        {"Provider=ODBC;Driver=PostgreSQL Unicode", ColorOrder::Rgb},
        {"Provider=PostgreSQL;Data Source=db1:5432", ColorOrder::Rgb},
        {"Provider=SQLite;Data Source=/srv/KIVDB1.db", ColorOrder::Rgb},
        {"", ColorOrder::Rgb},
    };
    for (const auto& [conn, order] : defaults)
        EXPECT_EQ(DefaultColorOrder(conn), order) << conn;

    TempDir dir;
    UseInstallRoot(dir.Path());  // the log line of a bad value lands here
    const std::string ini = dir.File("KIV4Connstr.ini");
    struct Case {
        const char *key, *conn;
        ColorOrder order;
    };
    const Case cases[] = {
        {nullptr, "Provider=SQLOLEDB", ColorOrder::Bgr},
        {" rgb ", "Provider=SQLOLEDB", ColorOrder::Rgb},
        {"BGR", "Provider=SQLite", ColorOrder::Bgr},
        {"purple", "Provider=SQLOLEDB", ColorOrder::Bgr},
        {"purple", "Provider=SQLite", ColorOrder::Rgb},
    };
    for (const Case& c : cases) {
        WriteTextFile(ini, std::string("[DB]\nConnStr=x\n") +
                               (c.key ? std::string("ColorOrder=") + c.key + "\n" : ""));
        EXPECT_EQ(ReadColorOrder(ini, c.conn), c.order) << (c.key ? c.key : "-") << " " << c.conn;
    }
    g_oConfig.reset();
}

// The record readers convert with the installation's order.
class StoredColorsTest : public VenueTest {
  protected:
    ~StoredColorsTest() override { SetInstallationColorOrder(ColorOrder::Rgb); }
};

TEST_F(StoredColorsTest, ColoursAndPlanBackgroundsReadInTheInstallationsOrder) {
    Sql("UPDATE tbl_ColorDef SET ColorValue=255 WHERE ColorModule='S' AND Value1='O'");
    Recordset plan(FieldList({"FPID", "BgColor"}), {{Variant(101), Variant(0xE6F0F5)}});
    for (ColorOrder order : {ColorOrder::Rgb, ColorOrder::Bgr}) {
        SetInstallationColorOrder(order);
        const bool bgr = order == ColorOrder::Bgr;
        ColorDefs colors;
        ASSERT_TRUE(colors.Load(db1));
        EXPECT_EQ(colors.GetTableStatusColor("O"), bgr ? 0xFF0000 : 0x0000FF);
        EXPECT_EQ(colors.GetTimeColor(0), bgr ? 0xE0E0FF : 0xFFE0E0);
        FloorPlan fp;
        ASSERT_TRUE(fp.AddFromRS(&plan));
        EXPECT_EQ(fp.BgColor(), bgr ? 0xF5F0E6 : 0xE6F0F5);
    }
}

// The real program on a demo whose connection INI says the database holds
// Windows colour values: the occupied colour row 0xF08080 reads as 0x8080F0.
TEST(StoredColorsProgramTest, ConsolePlanShowsTheConvertedColours) {
    TestInstallation inst;
    inst.Sql("UPDATE tbl_TableStatus SET TableStatus='O' WHERE OutletID=1 AND TableNo='A5'");
    const std::string input = "admin\nadmin123\n1\nplan HBR today 02LUN\nquit\ny\n";
    for (const char* order : {"RGB", "BGR"}) {
        ASSERT_TRUE(
            WritePrivateProfileString("DB", "ColorOrder", order, inst.Cfg("KIV4Connstr.ini")));
        const RunResult r = inst.Start(input);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        const std::size_t at = r.output.find("table\tA5\t");
        ASSERT_NE(at, std::string::npos) << r.output;
        const std::string a5 = r.output.substr(at, r.output.find('\n', at) - at);
        EXPECT_NE(a5.find(std::string(order) == "BGR" ? "\t#8080F0\t" : "\t#F08080\t"),
                  std::string::npos)
            << order << ": " << a5;
    }
}

}  // namespace
