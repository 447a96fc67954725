#include "users/signin.h"

#include <gtest/gtest.h>

#include "core/config.h"
#include "core/globals.h"
#include "platform/userinterface.h"
#include "sql/sqldb.h"
#include "support/installation.h"
#include "users/resignin.h"
#include "users/user.h"

namespace {

constexpr const char* kLockedPrefix =
    "The account is disabled,please contact administrator or wait ";

class SignInTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(inst.StartInProcess()); }

    bool Login(const std::string& login, const std::string& password, int mode = 1) {
        ok = signIn.CheckLogin(login, password, mode);
        return ok;
    }
    int32_t UserInt(const std::string& login, const std::string& column) {
        auto rs = inst.Query("SELECT " + column + " FROM tbl_User WHERE LoginID='" + login + "'");
        return FieldLng(rs.get(), column);
    }

    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
    TestInstallation inst;
    SignIn signIn;
    bool ok = false;
};

TEST_F(SignInTest, WrongPasswordsLockTheAccountForTheInterval) {
    // reception: 3 attempts, 300 s retry window, 10 minutes re-enable
    for (int i = 1; i <= 2; ++i) {
        EXPECT_FALSE(Login("reception", "bad"));
        EXPECT_EQ(signIn.ErrorLabel(), "ERROR: Incorrect Password");
        EXPECT_EQ(UserInt("reception", "FailLoginCount"), i);
    }
    EXPECT_FALSE(Login("reception", "bad"));
    EXPECT_EQ(signIn.ErrorLabel().rfind(std::string(kLockedPrefix) + "10 minute(s).\n", 0), 0u)
        << signIn.ErrorLabel();
    EXPECT_NE(signIn.ErrorLabel().find("\u2192reception\u2192General)"), std::string::npos);
    // The right password is refused while the lock stands, with the minutes left.
    inst.Sql(
        "UPDATE tbl_User SET FailLoginTime=DateAdd(n, -4, GetDate()) WHERE LoginID='reception'");
    EXPECT_FALSE(Login("reception", "reception123"));
    EXPECT_EQ(signIn.ErrorLabel().rfind(std::string(kLockedPrefix) + "6 minute(s).", 0), 0u)
        << signIn.ErrorLabel();
    // After the interval it is accepted and the counter starts again.
    inst.Sql(
        "UPDATE tbl_User SET FailLoginTime=DateAdd(n, -11, GetDate()) WHERE LoginID='reception'");
    EXPECT_TRUE(Login("reception", "reception123")) << signIn.ErrorLabel();
    EXPECT_EQ(UserInt("reception", "FailLoginCount"), 0);
}

TEST_F(SignInTest, AFailureAfterTheRetryWindowCountsAsTheFirstAgain) {
    EXPECT_FALSE(Login("reception", "bad"));
    EXPECT_FALSE(Login("reception", "bad"));
    inst.Sql(
        "UPDATE tbl_User SET LastLoginTime=DateAdd(s, -301, GetDate()) WHERE LoginID='reception'");
    EXPECT_FALSE(Login("reception", "bad"));
    EXPECT_EQ(UserInt("reception", "FailLoginCount"), 1);
    EXPECT_EQ(signIn.ErrorLabel(), "ERROR: Incorrect Password");
}

TEST_F(SignInTest, NoPolicyWithoutRetryCountAndNoLockForTheTopLevel) {
    inst.Sql(
        "UPDATE tbl_User SET RetryCount=0 WHERE LoginID='manager' "
        "UPDATE tbl_User SET RetryCount=2, EnableInterval=10 WHERE LoginID='admin'");
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(Login("manager", "bad"));
        EXPECT_FALSE(Login("admin", "bad"));
    }
    EXPECT_EQ(UserInt("manager", "FailLoginCount"), 0);
    // The top level is exempt from the lock, not from the record.
    EXPECT_EQ(UserInt("admin", "FailLoginCount"), 4);
    auto failed = inst.Query("SELECT FailLoginTime FROM tbl_User WHERE LoginID='admin'");
    EXPECT_FALSE(failed->Field("FailLoginTime")->IsNull());
    EXPECT_TRUE(Login("manager", "manager123")) << signIn.ErrorLabel();
    EXPECT_TRUE(Login("admin", "admin123")) << signIn.ErrorLabel();
    EXPECT_EQ(UserInt("admin", "FailLoginCount"), 0);
}

TEST_F(SignInTest, RetryPolicyWithoutReEnableIntervalLocksOnlyAtTheCount) {
    inst.Sql(
        "UPDATE tbl_User SET RetryCount=3, EnableInterval=0, FailLoginCount=1 WHERE "
        "LoginID='manager'");
    EXPECT_TRUE(Login("manager", "manager123")) << signIn.ErrorLabel();
    inst.Sql("UPDATE tbl_User SET FailLoginCount=3 WHERE LoginID='manager'");
    EXPECT_FALSE(Login("manager", "manager123"));
    EXPECT_EQ(signIn.ErrorLabel(), "The account is disabled,please contact administrator");
}

TEST_F(SignInTest, RefusalsWithTheirMessages) {
    inst.Sql(
        "INSERT INTO tbl_User (LoginID, Password, NameL1, RoleID, RowStatus, PWUpdateDT) SELECT "
        "N'o''brien', Password, N'Pat O''Brien', RoleID, 'A', GetDate() FROM tbl_User WHERE "
        "LoginID='manager'");
    struct Case {
        const char* login;
        const char* password;
        const char* label;
    } cases[] = {
        {"", "x", "ERROR: User name missing"},
        {"nobody", "x", "ERROR: User name does not exist"},
        {"trainee", "trainee123", "The account is disabled,please contact administrator"},
        {"manager", "wrong", "ERROR: Incorrect Password"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Login(c.login, c.password)) << c.login;
        EXPECT_EQ(signIn.ErrorLabel(), c.label) << c.login;
    }
    EXPECT_TRUE(Login("o'brien", "manager123")) << signIn.ErrorLabel();
    EXPECT_EQ(g_oUser->UserNameL1(), "Pat O'Brien");
}

TEST_F(SignInTest, InactiveAccountIsDisabled) {
    inst.Sql(
        "UPDATE tbl_User SET LastLoginTime=DateAdd(d, -200, GetDate()) WHERE LoginID='manager'");
    EXPECT_FALSE(Login("manager", "manager123"));
    EXPECT_EQ(signIn.ErrorLabel(),
              "The account is not active more than 180 days,it is disabled,please contact "
              "administrator.\n(Admin\u2192Secunity\u2192Users\u2192manager\u2192General)");
    EXPECT_NE(UserInt("manager", "Disabled"), 0);
}

TEST_F(SignInTest, FrontEndRightsGuardSignInAndTheModeInCustomerMode) {
    inst.Sql(
        "UPDATE tbl_UserRole SET FERightMask1=0 WHERE RoleID=(SELECT RoleID FROM tbl_User "
        "WHERE LoginID='reception')");
    EXPECT_FALSE(Login("reception", "reception123"));
    EXPECT_EQ(signIn.ErrorLabel(), "ERROR: You are not allowed to login this system");
    inst.Sql(
        "UPDATE tbl_UserRole SET FERightMask1=1, FERightMask10=1 WHERE RoleID=(SELECT RoleID "
        "FROM tbl_User WHERE LoginID='reception')");
    EXPECT_TRUE(Login("reception", "reception123", 2));  // modes are free outside customer mode
    g_oConfig->SetORBAMode(true);
    EXPECT_FALSE(Login("reception", "reception123", 2));
    EXPECT_EQ(signIn.ErrorLabel(),
              "ERROR: You are not allowed to login this system in the mode you selected");
    EXPECT_TRUE(Login("reception", "reception123", 1)) << signIn.ErrorLabel();
}

TEST_F(SignInTest, SignInAndSignOutWriteTheAuditRows) {
    ASSERT_TRUE(Login("manager", "manager123", 2));
    auto rs = inst.Query("SELECT * FROM tbl_LogInOut ORDER BY LogID DESC");
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(FieldStr(rs.get(), "LogType"), "I");
    EXPECT_EQ(FieldLng(rs.get(), "UserID"), g_oUser->UserID());
    EXPECT_EQ(FieldStr(rs.get(), "ComputerName"), kTestComputer);
    const Variant* out = rs->Field("Logouttime");
    EXPECT_TRUE(out == nullptr || out->IsNull());
    ASSERT_TRUE(LogInOutSignOut("N"));
    rs = inst.Query("SELECT * FROM tbl_LogInOut ORDER BY LogID DESC");
    EXPECT_EQ(FieldStr(rs.get(), "LogoutMethod"), "N");
    EXPECT_FALSE(rs->Field("Logouttime")->IsNull());
    EXPECT_FALSE(LogInOutSignOut("N"));  // nothing kept any more
    rs = inst.Query("SELECT Remark FROM tbl_UserLog WHERE Remark LIKE '%login successfully'");
    EXPECT_FALSE(rs->Eof());
    auto ops = inst.Query("SELECT * FROM tbl_User WHERE LoginID='manager'");
    EXPECT_EQ(FieldLng(ops.get(), "FailLoginCount"), 0);
}

TEST_F(SignInTest, ReSignInDisablesAtTheRetryCountAndChecksTheOutlet) {
    ReSignIn window;
    int32_t id = 0;
    EXPECT_FALSE(window.Check("reception", "bad", 0, id));
    EXPECT_FALSE(window.Check("reception", "bad", 0, id));
    EXPECT_FALSE(window.Check("reception", "bad", 0, id));
    EXPECT_EQ(window.ErrorLabel(),
              "ERROR: The account is disabled, please contact administrator to reset the account");
    EXPECT_NE(UserInt("reception", "Disabled"), 0);
    EXPECT_TRUE(window.Check("manager", "manager123", 0, id));
    EXPECT_EQ(id, UserInt("manager", "UserID"));
    inst.Sql("UPDATE tbl_User SET Disabled=0, FailLoginCount=0 WHERE LoginID='reception'");
    auto sky = inst.Query("SELECT OutletID FROM tbl_Outlet WHERE OutletCode='SKY'");
    auto hbr = inst.Query("SELECT OutletID FROM tbl_Outlet WHERE OutletCode='HBR'");
    EXPECT_FALSE(window.Check("reception", "reception123", FieldLng(sky.get(), "OutletID"), id));
    EXPECT_EQ(window.ErrorLabel(), "User is not allowed to change reservation in this outltet");
    EXPECT_TRUE(window.Check("reception", "reception123", FieldLng(hbr.get(), "OutletID"), id));
}

}  // namespace

namespace {

TEST_F(SignInTest, RightChecksUseTheMasksAndLogBackOfficeChecks) {
    ASSERT_TRUE(Login("reception", "reception123"));
    EXPECT_FALSE(g_oUser->CheckFERight(1, 0, false));  // bit 0 never passes
    EXPECT_TRUE(g_oUser->CheckFERight(1, 1, false));
    EXPECT_FALSE(g_oUser->CheckBERight(3, 4, true));
    EXPECT_TRUE(ui.Shown("Sorry, you are not authorized to proceed the action"));
    // Bit 4 is bit number 3: the catalogue entry BE:3:3.
    std::string desc = g_oConfig->UserRight("BE:3:3");
    EXPECT_FALSE(desc.empty());
    auto log = inst.Query("SELECT Remark, Action FROM tbl_UserLog ORDER BY UserLogID DESC");
    EXPECT_EQ(FieldStr(log.get(), "Remark"), "Check User Right: " + desc + " - Failed");
    EXPECT_EQ(FieldStr(log.get(), "Action"), "OTHER");
    EXPECT_EQ(g_oUser->Outlets().Count(), 2u);
    ASSERT_TRUE(Login("admin", "admin123"));
    EXPECT_TRUE(g_oUser->CheckBERight(15, 1 << 30, false));  // the top level has every bit
}

TEST(UserTest, RoleWithoutOutletsMatchesNothing) {
    User u;
    Recordset empty(FieldList({"OutletID", "OutletCode"}), {});
    EXPECT_TRUE(u.LoadOutlets(&empty));
    EXPECT_EQ(u.OutletIDList(), "0");
    EXPECT_EQ(u.OutletCodeList(), "'NULL'");
}

}  // namespace
