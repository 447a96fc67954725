#pragma once
// frmReLogin: asks for the credentials again when a session has expired, or
// to confirm a user's permission for one outlet.
#include <cstdint>
#include <string>

class Recordset;

class ReSignIn {
  public:
    // True when the credentials are right (and, for an outlet > 0, the role
    // may work there). `userID` receives the user that signed in.
    bool Check(const std::string& login, const std::string& password, int32_t outletID,
               int32_t& userID);
    const std::string& ErrorLabel() const { return errorLabel_; }

  private:
    bool Fail(const std::string& english);
    void CountFailure(const Recordset& rs);

    std::string errorLabel_;
};
