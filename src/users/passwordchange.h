#pragma once
// frmChangePassword: changes the signed-in user's password under the
// installation's password rules.
#include <cstdint>
#include <string>

struct PasswordRules {
    bool allowReuse = true;          // "ReusePassword"
    int minLength = 0;               // "minLength"
    bool differentFromName = false;  // "DiffNamePwd"
    bool strong = false;             // "PwdSecurity": a-z, A-Z, 0-9 and a symbol
};

// The rules stored on a user's row; defaults when it cannot be read.
PasswordRules ReadPasswordRules(int32_t userID);

class PasswordChange {
  public:
    PasswordChange(int32_t userID, std::string login, PasswordRules rules,
                   std::string caption = "");

    // Checks the entries, refusing each broken rule with its message, and
    // saves the new password with its history row. True when saved.
    bool ValidatePassword(const std::string& oldPassword, const std::string& newPassword,
                          const std::string& confirmation);
    // Asks for the three entries through the user interface until the change
    // is saved (true) or the user gives up with an empty old password ("Password
    // not changed") or the input ends (false).
    bool Run();

  private:
    bool Refuse(const std::string& text, const char* title = "CulinaroTable");
    bool CheckLocalRules(const std::string& newPassword, const std::string& confirmation);
    bool CheckHistory(const std::string& hash, const std::string& currentHash);
    bool Save(const std::string& hash);

    int32_t userID_;
    std::string login_;
    PasswordRules rules_;
    std::string caption_;
};

// The strength rule: at least one digit, one lower-case and one upper-case
// letter and one symbol.
bool IsStrongPassword(const std::string& password);
