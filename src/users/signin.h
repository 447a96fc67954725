#pragma once
// Sign-in: checks a login name and password against tbl_User under the
// lock-out policy, loads g_oUser, checks the sign-in rights and enforces
// password expiry and forced change.
#include <cstdint>
#include <string>

class SQLDB;
class Recordset;

// Operation modes offered at sign-in, in this order.
enum OperationMode : int { kModeInPerson = 1, kModeTelephone = 2 };
std::string OperationModeName(int mode);

// Account states of the lock-out policy.
enum LoginState : int { kLoginAllowed = 0, kLoginLocked = 1, kLoginDisabled = -1 };

// Applies the lock-out policy to `state` (see the implementation); with
// `failedAttempt` also counts a wrong password. False when the check itself failed.
bool CheckLoginCount(int32_t userID, int& state, bool failedAttempt);

// frmLogin
class SignIn {
  public:
    // True when the user is signed in (g_oUser filled, audit row written).
    bool CheckLogin(const std::string& login, const std::string& password, int mode);
    // The text of the window's error label after a failed attempt.
    const std::string& ErrorLabel() const { return errorLabel_; }

  private:
    bool Fail(const std::string& english);
    bool CheckInactivity(SQLDB& db, const Recordset& rs, const std::string& login);
    bool ShowLockState(int state, const Recordset& rs, const std::string& login);
    bool LoadSignedInUser(SQLDB& db, const Recordset& rs);
    bool CheckModeRights(int mode);

    std::string errorLabel_;
};

// Password expiry and forced change for the signed-in user; false when a
// required change was not completed.
bool CheckChangePasswd(const std::string& password);

// The sign-in / sign-out audit rows of tbl_LogInOut.
bool LogInOutSignIn();
// method: "N" normal sign-out, "O" sign-out to sign in again, "F" forced.
bool LogInOutSignOut(const std::string& method);
