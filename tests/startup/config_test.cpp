#include "core/config.h"

#include <gtest/gtest.h>

#include "core/globals.h"
#include "platform/userinterface.h"
#include "sql/sqldb.h"
#include "support/tempdir.h"
#include "support/testdb.h"

namespace {

class ConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateTestDatabase(dir.File("kiv.db"));
        db.SetConnectionString("Provider=SQLite;Data Source=" + dir.File("kiv.db"));
        Run("INSERT INTO tbl_Parameter (ParaModule, ParaName, ParaDataType, ParaValue, RowStatus) "
            "VALUES ('CONFIG','GuestQuickSearchField','S','Phone','A'), "
            "('CONFIG','DateFormat','S','yyyy-MM-dd ddd','A'), "
            "('CONFIG','TimeFormat','S','HH:NN','A'), "
            "('CONFIG','FilterLevel','I','0','A'), "
            "('CONFIG','ClientTimeDiffTolerant','I','5','A'), "
            "('CONFIG','AppTitleSuffix','S','Test','A'), ('SYS','ORBA','I','1','A'), "
            "('RESV','MaxCover','I','12x','A'), ('RESV','Greeting','S','12','A'), "
            "('RESV','PseudoGuestNo','S','99999999','A'), ('CAPTION','Field1','S','first','A'), "
            "('CAPTION','Field1','S','second','A'), ('CONFIG','Hidden','S','x','D')");
        Run("INSERT INTO tbl_Guest (DYAccountNo, RowStatus) VALUES ('99999999','A')");
    }
    void Run(const std::string& sql) { ASSERT_TRUE(db.RunSQLNoReturn(sql)) << db.ErrDescription(); }

    TempDir dir;
    SQLDB db;
    Config cfg;
    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
};

TEST_F(ConfigTest, StoresPropertiesAndDerivedValues) {
    ASSERT_TRUE(cfg.Load(db)) << ui.Transcript();
    EXPECT_EQ(cfg.TimeFormatDisplay(), "HH:mm");  // the time format ignores case
    EXPECT_EQ(cfg.FilterLevel(), 0);
    EXPECT_EQ(cfg.AppTitleSuffix(), " (Test)");
    EXPECT_TRUE(cfg.ORBAMode());
    EXPECT_EQ(cfg.ResvParam("MaxCover"), Variant(0));  // "I" but not a number
    EXPECT_EQ(cfg.ResvParam("Greeting"), Variant("12"));
    EXPECT_TRUE(cfg.ConfigParam("Hidden").IsNull());  // only active rows
    EXPECT_EQ(cfg.Caption("Field1"), "first");
    EXPECT_GT(cfg.PseudoGuestID(), 0);
    EXPECT_EQ(g_sAppVersion, "1.0.0.0");
}

TEST_F(ConfigTest, RightsCatalogueExpandsBackOfficeRightsWithNewUpdateDelete) {
    Run("INSERT INTO tbl_UserRight (Module, RightIndex, RightSubIndex, DescL1, AllowNew, "
        "RowStatus) "
        "VALUES ('BE', 3, 1, 'Users', 1, 'A'), ('BE', 3, 5, 'Roles', NULL, 'A'), "
        "('FE', 1, 1, 'Sign in', 1, 'A')");
    ASSERT_TRUE(cfg.Load(db));
    EXPECT_EQ(cfg.UserRight("BE:3:1"), "Users");
    EXPECT_EQ(cfg.UserRight("BE:3:2"), "Users(New)");
    EXPECT_EQ(cfg.UserRight("BE:3:3"), "Users(Update)");
    EXPECT_EQ(cfg.UserRight("BE:3:4"), "Users(Delete)");
    EXPECT_EQ(cfg.UserRight("BE:3:5"), "Roles");
    EXPECT_EQ(cfg.UserRight("BE:3:6"), "");
    EXPECT_EQ(cfg.UserRight("FE:1:2"), "");  // front-end rights are not expanded
}

TEST_F(ConfigTest, ProblemsAreListedAndCaseMattersForDates) {
    Run("UPDATE tbl_Parameter SET ParaValue='DD/MM/YYYY' WHERE ParaName='DateFormat' "
        "UPDATE tbl_Parameter SET ParaValue='-1' WHERE ParaName='FilterLevel' "
        "UPDATE tbl_Parameter SET ParaValue='hh:mm' WHERE ParaName='TimeFormat'");
    EXPECT_FALSE(cfg.Load(db));
    EXPECT_EQ(ui.Texts("message").back(),
              "Configuration Error:\n- Filter level is not defined correctly\n"
              "- The date format is not defined correctly\n"
              "- The time format is not defined correctly");
}

}  // namespace
