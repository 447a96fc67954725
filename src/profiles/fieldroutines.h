#pragma once
// The validation and action routines a profile definition can attach to a
// field (FieldValidateCode, FieldActionCode), looked up by code. A site adds
// its own with Register...; the program brings a few general ones:
//   validation "PHONE"   digits, blanks and + - ( ) only, at least 6 digits
//              "EMAIL"   one "@" with text on both sides and a dot after it
//              "NUMERIC" a whole number
//              "UPPER"   letters upper case (refuses lower-case input)
//   action     "UPPERCASE" turns the value into upper case
//              "TRIM"      drops blanks at both ends
#include <functional>
#include <map>
#include <string>

class ProfileField;

class FieldRoutines {
  public:
    // False with a message (English, to be translated for display) when the
    // value is refused.
    using Validator = std::function<bool(const ProfileField& field, const std::string& value,
                                         std::string& message)>;
    // Turns the entered value into the one to keep.
    using Action = std::function<std::string(const ProfileField& field, const std::string& value)>;

    // The routines of this workstation (with the general ones registered).
    static FieldRoutines& Instance();

    void RegisterValidator(const std::string& code, Validator v);
    void RegisterAction(const std::string& code, Action a);
    bool HasValidator(const std::string& code) const;
    bool HasAction(const std::string& code) const;

    // An empty or unknown code accepts the value (an unknown code is logged
    // once per code, as a definition naming a routine this build lacks).
    bool Validate(const ProfileField& field, const std::string& value, std::string& message);
    // An empty or unknown code keeps the value.
    std::string RunAction(const ProfileField& field, const std::string& value);

  private:
    FieldRoutines();
    std::map<std::string, Validator> validators_;  // upper-case code
    std::map<std::string, Action> actions_;
    std::map<std::string, bool> reported_;
};
