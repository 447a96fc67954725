#include "profiles/fieldroutines.h"

#include <algorithm>
#include <cctype>

#include "core/log.h"
#include "platform/textutil.h"
#include "profiles/profilefield.h"

namespace {

bool Phone(const ProfileField&, const std::string& v, std::string& message) {
    int digits = 0;
    for (unsigned char c : v) {
        if (std::isdigit(c) != 0) {
            ++digits;
        } else if (std::string(" +-()").find(static_cast<char>(c)) == std::string::npos) {
            message = "Invalid phone number";
            return false;
        }
    }
    if (!v.empty() && digits < 6) {
        message = "Invalid phone number";
        return false;
    }
    return true;
}

bool Email(const ProfileField&, const std::string& v, std::string& message) {
    if (v.empty()) return true;
    const auto at = v.find('@');
    const bool ok = at != std::string::npos && at > 0 && v.find('@', at + 1) == std::string::npos &&
                    v.find('.', at + 2) != std::string::npos && v.back() != '.' &&
                    v.find(' ') == std::string::npos;
    if (!ok) message = "Invalid e-mail address";
    return ok;
}

bool Numeric(const ProfileField&, const std::string& v, std::string& message) {
    std::size_t start = !v.empty() && v[0] == '-' ? 1 : 0;
    const bool ok =
        v.empty() ||
        (v.size() > start && std::all_of(v.begin() + static_cast<long>(start), v.end(),
                                         [](unsigned char c) { return std::isdigit(c) != 0; }));
    if (!ok) message = "Please input a number";
    return ok;
}

bool UpperOnly(const ProfileField&, const std::string& v, std::string& message) {
    if (v == UpperAscii(v)) return true;
    message = "Please input capital letters";
    return false;
}

}  // namespace

FieldRoutines& FieldRoutines::Instance() {
    static FieldRoutines routines;
    return routines;
}

FieldRoutines::FieldRoutines() {
    RegisterValidator("PHONE", Phone);
    RegisterValidator("EMAIL", Email);
    RegisterValidator("NUMERIC", Numeric);
    RegisterValidator("UPPER", UpperOnly);
    RegisterAction("UPPERCASE",
                   [](const ProfileField&, const std::string& v) { return UpperAscii(v); });
    RegisterAction("TRIM", [](const ProfileField&, const std::string& v) {
        const auto a = v.find_first_not_of(' ');
        if (a == std::string::npos) return std::string();
        return v.substr(a, v.find_last_not_of(' ') - a + 1);
    });
}

void FieldRoutines::RegisterValidator(const std::string& code, Validator v) {
    validators_[UpperAscii(code)] = std::move(v);
}

void FieldRoutines::RegisterAction(const std::string& code, Action a) {
    actions_[UpperAscii(code)] = std::move(a);
}

bool FieldRoutines::HasValidator(const std::string& code) const {
    return validators_.count(UpperAscii(code)) != 0;
}

bool FieldRoutines::HasAction(const std::string& code) const {
    return actions_.count(UpperAscii(code)) != 0;
}

bool FieldRoutines::Validate(const ProfileField& field, const std::string& value,
                             std::string& message) {
    const std::string code = UpperAscii(field.FieldValidateCode());
    if (code.empty()) return true;
    auto it = validators_.find(code);
    if (it == validators_.end()) {
        if (!reported_[code])
            WriteLog("Unknown validation routine " + code, "FieldRoutines", "Validate",
                     kLogWarning);
        reported_[code] = true;
        return true;
    }
    return it->second(field, value, message);
}

std::string FieldRoutines::RunAction(const ProfileField& field, const std::string& value) {
    const std::string code = UpperAscii(field.FieldActionCode());
    if (code.empty()) return value;
    auto it = actions_.find(code);
    if (it == actions_.end()) {
        if (!reported_["A:" + code])
            WriteLog("Unknown action routine " + code, "FieldRoutines", "RunAction", kLogWarning);
        reported_["A:" + code] = true;
        return value;
    }
    return it->second(field, value);
}
