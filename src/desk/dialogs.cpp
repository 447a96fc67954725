#include "desk/dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "core/config.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "desk/qtuserinterface.h"
#include "platform/inifile.h"
#include "users/passwordchange.h"
#include "users/resignin.h"
#include "users/signin.h"
#include "users/user.h"

namespace {

QString ML(const char* english) {
    return ToQ(GetMLText(english));
}

std::string ClientIni() {
    return g_oConfig != nullptr ? g_oConfig->ClientIniPath() : "";
}

QLineEdit* PasswordEdit() {
    auto* edit = new QLineEdit;
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

// The form, an error line under it, and OK / Cancel.
QLabel* Finish(QDialog& dialog, QFormLayout* form) {
    auto* error = new QLabel;
    error->setObjectName(QStringLiteral("error"));
    error->setStyleSheet(QStringLiteral("color: #b00000"));
    error->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(error);
    layout->addWidget(buttons);
    return error;
}

}  // namespace

SignInDialog::SignInDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("CulinaroTable - ") + ML("Sign in"));
    iniUser_ = GetPrivateProfileString("KIVCnt", "UserName", "", ClientIni());
    iniPassword_ = GetPrivateProfileString("KIVCnt", "Password", "", ClientIni());
    int last = GetPrivateProfileInt("KIVCnt", "Operation", 1, ClientIni());
    login_ = new QLineEdit(ToQ(iniUser_));
    password_ = PasswordEdit();
    mode_box_ = new QComboBox;
    for (int mode : {kModeInPerson, kModeTelephone})
        mode_box_->addItem(ToQ(GetMLText(OperationModeName(mode))), mode);
    mode_box_->setCurrentIndex(last == kModeTelephone ? 1 : 0);
    auto* form = new QFormLayout;
    form->addRow(ML("Login name"), login_);
    form->addRow(ML("Password"), password_);
    form->addRow(ML("Operation mode"), mode_box_);
    error_ = Finish(*this, form);
    (iniUser_.empty() ? login_ : password_)->setFocus();
}

void SignInDialog::accept() {
    const std::string login = FromQ(login_->text().trimmed());
    if (login.empty()) {
        error_->setText(ML("ERROR: User name missing"));
        return;
    }
    // The stored password stands in only for the stored login left as it was.
    std::string password = FromQ(password_->text());
    if (password.empty() && login == iniUser_) password = iniPassword_;
    const int mode = mode_box_->currentData().toInt();
    SignIn signIn;
    if (!signIn.CheckLogin(login, password, mode)) {
        error_->setText(ToQ(signIn.ErrorLabel()));
        password_->clear();
        password_->setFocus();
        return;
    }
    mode_ = mode;
    QDialog::accept();
}

PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(ML("Change password"));
    old_ = PasswordEdit();
    new_ = PasswordEdit();
    confirm_ = PasswordEdit();
    auto* form = new QFormLayout;
    form->addRow(ML("Old password: "), old_);
    form->addRow(ML("New password: "), new_);
    form->addRow(ML("Confirm new password: "), confirm_);
    Finish(*this, form);
}

void PasswordDialog::accept() {
    if (g_oUser == nullptr) return;
    PasswordChange change(g_oUser->UserID(), g_oUser->LoginID(),
                          ReadPasswordRules(g_oUser->UserID()));
    // A refusal is shown by the change itself; the dialog stays open.
    if (change.ValidatePassword(FromQ(old_->text()), FromQ(new_->text()), FromQ(confirm_->text())))
        QDialog::accept();
}

ReSignInDialog::ReSignInDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(ML("Session expired"));
    login_ = new QLineEdit(g_oUser != nullptr ? ToQ(g_oUser->LoginID()) : QString());
    password_ = PasswordEdit();
    auto* form = new QFormLayout;
    form->addRow(new QLabel(ML("Re-enter user name & password")));
    form->addRow(ML("Login name"), login_);
    form->addRow(ML("Password"), password_);
    error_ = Finish(*this, form);
    password_->setFocus();
}

void ReSignInDialog::accept() {
    ReSignIn check;
    int32_t userID = 0;
    if (!check.Check(FromQ(login_->text().trimmed()), FromQ(password_->text()), 0, userID)) {
        error_->setText(ToQ(check.ErrorLabel()));
        return;
    }
    if (g_oUser == nullptr || userID != g_oUser->UserID()) {
        error_->setText(ML("Please sign in as the same user, or use relogin"));
        return;
    }
    QDialog::accept();
}

ChoiceDialog::ChoiceDialog(const QString& prompt, const QStringList& items, int current,
                           QWidget* parent)
    : QDialog(parent), list_(new QListWidget) {
    setWindowTitle(QStringLiteral("CulinaroTable"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(prompt));
    list_->addItems(items);
    list_->setCurrentRow(current);
    layout->addWidget(list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

int ChoiceDialog::Chosen() const {
    return list_->currentRow();
}
