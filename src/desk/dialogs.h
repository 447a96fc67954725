#pragma once
// The desk's dialogs: sign-in (login, password, operation mode), the
// password change and the sign-in again after a session time-out. Each
// hands the entries to the users' objects (SignIn, PasswordChange,
// ReSignIn) and shows their refusal; none holds a rule of its own.
#include <QDialog>
#include <QStringList>

class QComboBox;
class QListWidget;
class QLabel;
class QLineEdit;

class SignInDialog : public QDialog {
  public:
    explicit SignInDialog(QWidget* parent = nullptr);
    // The operation mode of the accepted sign-in.
    int Mode() const { return mode_; }
    void accept() override;

  private:
    QLineEdit* login_;
    QLineEdit* password_;
    QComboBox* mode_box_;
    QLabel* error_;
    std::string iniUser_, iniPassword_;
    int mode_ = 1;
};

class PasswordDialog : public QDialog {
  public:
    explicit PasswordDialog(QWidget* parent = nullptr);
    void accept() override;

  private:
    QLineEdit* old_;
    QLineEdit* new_;
    QLineEdit* confirm_;
};

// After the signed-in user's session timed out: the same user must sign in
// again; rejected, the program ends.
class ReSignInDialog : public QDialog {
  public:
    explicit ReSignInDialog(QWidget* parent = nullptr);
    void accept() override;

  private:
    QLineEdit* login_;
    QLineEdit* password_;
    QLabel* error_;
};

// A choice from a list (cancel reasons, the booking a swap moves, guests):
// a double click or OK takes the marked line.
class ChoiceDialog : public QDialog {
  public:
    ChoiceDialog(const QString& prompt, const QStringList& items, int current,
                 QWidget* parent = nullptr);
    // The row chosen; -1 when none.
    int Chosen() const;

  private:
    QListWidget* list_;
};
