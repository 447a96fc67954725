#include "users/passwordchange.h"

#include <gtest/gtest.h>

#include "platform/userinterface.h"
#include "registry/crypto.h"
#include "sql/sqldb.h"
#include "support/installation.h"
#include "users/signin.h"
#include "users/user.h"

namespace {

class PasswordTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(inst.StartInProcess()); }
    std::string StoredHash(const std::string& login) {
        auto rs = inst.Query("SELECT Password FROM tbl_User WHERE LoginID='" + login + "'");
        return FieldStr(rs.get(), "Password");
    }
    int32_t ManagerID() {
        auto rs = inst.Query("SELECT UserID FROM tbl_User WHERE LoginID='manager'");
        return FieldLng(rs.get(), "UserID");
    }
    std::string LastMessage() const {
        auto texts = ui.Texts("message");
        return texts.empty() ? "" : texts.back();
    }

    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
    TestInstallation inst;
};

TEST_F(PasswordTest, LocalRulesAreCheckedInOrder) {
    PasswordRules rules;
    rules.minLength = 6;
    rules.differentFromName = true;
    PasswordChange window(ManagerID(), "manager", rules);
    struct Case {
        const char* newPassword;
        const char* confirmation;
        const char* message;
    } cases[] = {
        {"", "", "Please input a new password!"},
        {"abc", "abc", "Password must be at least 6 characters."},
        {"p\xC3\xA4sswort", "p\xC3\xA4sswort",
         "Password cannot be used. Password only allows alpha-numeric characters and symbols"},
        {"MANAGER", "MANAGER", "Login name and password must be different"},
        {"abcdefghijklmnopq", "abcdefghijklmnopq", "Password are limited to 16 characters"},
        {"abcdefg", "abcdefh",
         "The password was not correctly confirmed. Please ensure that the password and "
         "confirmation match exactly"},
        {"abcdefg", "abcdefg", "Incorrect old password."},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(window.ValidatePassword("wrong-old", c.newPassword, c.confirmation));
        EXPECT_EQ(LastMessage(), c.message) << c.newPassword;
    }
    EXPECT_EQ(StoredHash("manager"), HashPassword("manager123"));
}

TEST_F(PasswordTest, ChangeSavesTheHashAndRefusesReuseAndWeakPasswords) {
    inst.Sql("UPDATE tbl_User SET ReusePassword=0, PwdSecurity=1 WHERE LoginID='manager'");
    PasswordChange window(ManagerID(), "manager", ReadPasswordRules(ManagerID()));
    EXPECT_FALSE(window.ValidatePassword("manager123", "simple12", "simple12"));
    EXPECT_EQ(LastMessage(),
              "Password is not secure enough (At least one a-z, A-Z, 0-9, special characters)");
    ASSERT_TRUE(window.ValidatePassword("manager123", "Strong#1", "Strong#1"));
    EXPECT_EQ(LastMessage(), "Password is changed");
    EXPECT_EQ(StoredHash("manager"), HashPassword("Strong#1"));
    ASSERT_TRUE(window.ValidatePassword("Strong#1", "Other#22", "Other#22"));
    EXPECT_FALSE(window.ValidatePassword("Other#22", "Strong#1", "Strong#1"));
    EXPECT_EQ(LastMessage(), "Please use a password that hasn't been used before.");
    auto history = inst.Query("SELECT COUNT(*) AS N FROM tbl_UserPassword WHERE UserID=" +
                              std::to_string(ManagerID()));
    EXPECT_EQ(FieldLng(history.get(), "N"), 2);
}

TEST_F(PasswordTest, WithoutReuseTheCurrentPasswordIsRefusedToo) {
    // The installation's accounts have no history row for their first password.
    inst.Sql("UPDATE tbl_User SET ReusePassword=0 WHERE LoginID='manager'");
    PasswordChange window(ManagerID(), "manager", ReadPasswordRules(ManagerID()));
    EXPECT_FALSE(window.ValidatePassword("manager123", "manager123", "manager123"));
    EXPECT_EQ(LastMessage(), "Please use a password that hasn't been used before.");
    EXPECT_EQ(StoredHash("manager"), HashPassword("manager123"));
    // Where reuse is allowed, keeping the password is a change like any other.
    inst.Sql("UPDATE tbl_User SET ReusePassword=1 WHERE LoginID='manager'");
    PasswordChange lenient(ManagerID(), "manager", ReadPasswordRules(ManagerID()));
    EXPECT_TRUE(lenient.ValidatePassword("manager123", "manager123", "manager123"));
}

TEST_F(PasswordTest, ForcedChangeRefusesTheCurrentPasswordWithoutReuse) {
    inst.Sql("UPDATE tbl_User SET PwdNextLogon=1, ReusePassword=0 WHERE LoginID='manager'");
    SignIn signIn;
    for (const char* line : {"manager123", "manager123", "manager123", ""})
        ui.QueueLine(line);
    EXPECT_FALSE(signIn.CheckLogin("manager", "manager123", 1));
    EXPECT_TRUE(ui.Shown("Please use a password that hasn't been used before."));
    EXPECT_TRUE(ui.Shown("Password not changed"));
    EXPECT_EQ(signIn.ErrorLabel(), "ERROR: The password must be changed before signing in");
}

TEST_F(PasswordTest, ForcedChangeAtNextSignIn) {
    inst.Sql("UPDATE tbl_User SET PwdNextLogon=1 WHERE LoginID='manager'");
    SignIn signIn;
    // Giving up in the password window fails the sign-in.
    EXPECT_FALSE(signIn.CheckLogin("manager", "manager123", 1));
    for (const char* line : {"manager123", "Fresh#2024", "Fresh#2024"})
        ui.QueueLine(line);
    ASSERT_TRUE(signIn.CheckLogin("manager", "manager123", 1)) << signIn.ErrorLabel();
    EXPECT_EQ(StoredHash("manager"), HashPassword("Fresh#2024"));
    auto rs = inst.Query("SELECT PwdNextLogon FROM tbl_User WHERE LoginID='manager'");
    EXPECT_EQ(FieldLng(rs.get(), "PwdNextLogon"), 0);
}

TEST_F(PasswordTest, ExpiredPasswordMustBeChanged) {
    inst.Sql("UPDATE tbl_User SET PWUpdateDT=DateAdd(d, -91, GetDate()) WHERE LoginID='manager'");
    SignIn signIn;
    for (const char* line : {"manager123", "Later#2025", "Later#2025"})
        ui.QueueLine(line);
    ASSERT_TRUE(signIn.CheckLogin("manager", "manager123", 1)) << signIn.ErrorLabel();
    EXPECT_TRUE(ui.Shown("Please change password for every 90 day(s)."));
    EXPECT_EQ(StoredHash("manager"), HashPassword("Later#2025"));
}

TEST(PasswordStrengthTest, NeedsDigitLowerUpperAndSymbol) {
    EXPECT_TRUE(IsStrongPassword("aB3$"));
    for (const char* weak : {"ab3$", "AB3$", "aBc$", "aB34", ""})
        EXPECT_FALSE(IsStrongPassword(weak)) << weak;
}

}  // namespace
