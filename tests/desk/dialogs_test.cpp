// The sign-in dialog hands its entries to the sign-in and stays open with
// the refusal shown until a sign-in succeeds.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <sstream>

#include "core/globals.h"
#include "desk/dialogs.h"
#include "desk/qtuserinterface.h"
#include "support/installation.h"
#include "users/user.h"

namespace {

TEST(SignInDialogTest, RefusesUntilTheSignInSucceeds) {
    TestInstallation inst;
    ASSERT_TRUE(inst.StartInProcess());
    std::ostringstream transcript;
    QtUserInterface ui(true, transcript);
    ScopedUserInterface scoped(ui);

    SignInDialog dialog;
    const QList<QLineEdit*> edits = dialog.findChildren<QLineEdit*>();
    ASSERT_GE(edits.size(), 2);
    QLineEdit* login = edits[0];
    QLineEdit* password = edits[1];
    QComboBox* mode = dialog.findChild<QComboBox*>();
    ASSERT_NE(mode, nullptr);
    QLabel* error = dialog.findChild<QLabel*>(QStringLiteral("error"));
    ASSERT_NE(error, nullptr);
    struct Case {
        QString login, password;
        bool accepted;
    };
    const std::vector<Case> cases{
        {"", "admin123", false}, {"admin", "wrong", false}, {"admin", "admin123", true}};
    for (const Case& c : cases) {
        login->setText(c.login);
        password->setText(c.password);
        mode->setCurrentIndex(1);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << FromQ(c.login);
        if (!c.accepted) {
            EXPECT_FALSE(error->text().isEmpty()) << FromQ(c.login);
            EXPECT_TRUE(password->text().isEmpty() || c.login.isEmpty());
        }
    }
    ASSERT_NE(g_oUser, nullptr);
    EXPECT_EQ(g_oUser->LoginID(), "admin");
    EXPECT_EQ(dialog.Mode(), 2);
}

}  // namespace
