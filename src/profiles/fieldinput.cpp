#include "profiles/fieldinput.h"

#include <algorithm>
#include <cctype>

#include "platform/datetime.h"
#include "platform/textutil.h"
#include "profiles/datatype.h"
#include "profiles/fieldroutines.h"
#include "profiles/profilefield.h"
#include "profiles/uiproperties.h"

namespace {

bool IsWholeNumber(const std::string& v) {
    const std::size_t start = !v.empty() && v[0] == '-' ? 1 : 0;
    return v.size() > start && v.size() <= 10 &&
           std::all_of(v.begin() + static_cast<long>(start), v.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::size_t Characters(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](unsigned char c) { return (c & 0xC0) != 0x80; }));
}

// The option a typed text names: its value exactly, else its value or name
// ignoring case. nullptr when none.
const ProfileOption* FindOption(const ProfileField& f, const std::string& typed) {
    if (const ProfileOption* o = f.FindOptionByValue(typed)) return o;
    for (const auto& [key, o] : f.Options()) {
        if (LowerAscii(o.Value) == LowerAscii(typed) || LowerAscii(o.Name) == LowerAscii(typed))
            return &o;
    }
    return nullptr;
}

// The stored form of a typed value; false with a message when refused.
bool StoredForm(const ProfileField& f, const std::string& typed, std::string& stored,
                std::string& message) {
    const int type = f.InputType();
    const std::string dataType = f.DataType();
    if (type == kInputTM || type == kInputTT || ProfileDataType::IsTime(dataType)) {
        const std::string t = ProfileField::NormaliseTime(typed);
        const auto clock = DateTime::Parse(t);
        if (t.find(':') == std::string::npos || !clock || clock->Year != 1900) {
            message = "Invalid time (use HH:MM)";
            return false;
        }
        stored = clock->Format("hh:nn");
        return true;
    }
    if (type == kInputD || type == kInputDT || type == kInputDD) {
        const auto d = DateTime::Parse(typed);
        if (!d || typed.size() < 10) {
            message = "Invalid date (use yyyy-mm-dd)";
            return false;
        }
        stored = type == kInputDT ? d->ToText() : d->DateText();
        return true;
    }
    if (type == kInputC || type == kInputL || type == kInputCX) {
        const ProfileOption* o = FindOption(f, typed);
        if (o != nullptr || type == kInputCX) {
            stored = o != nullptr ? o->Value : typed;
            return true;
        }
        message = "Value not in the option list";
        return false;
    }
    if (type == kInputCB) {
        const std::string t = LowerAscii(typed);
        if (t == "1" || t == "yes" || t == "true" || t == "y") stored = "1";
        if (t == "0" || t == "no" || t == "false" || t == "n") stored = "0";
        if (stored.empty()) message = "Please answer 1 (yes) or 0 (no)";
        return !stored.empty();
    }
    if ((dataType == "I" && !IsWholeNumber(typed)) ||
        (dataType == "M" && !Variant(typed).IsNumeric())) {
        message = "Please input a number";
        return false;
    }
    const int32_t size = f.AttrLong("DBSize");
    if (size > 0 && Characters(typed) > static_cast<std::size_t>(size)) {
        message = "Value is too long";
        return false;
    }
    stored = typed;
    return true;
}

}  // namespace

bool EnterFieldValue(ProfileField& field, const std::string& typed, bool must,
                     std::string& message) {
    const std::string value = FieldRoutines::Instance().RunAction(field, typed);
    if (value.empty()) {
        if (must) {
            message = "A value is required";
            return false;
        }
        field.SetValue("");
        return true;
    }
    std::string stored;
    if (!StoredForm(field, value, stored, message)) return false;
    if (!field.CanHold(stored, message)) return false;
    if (!FieldRoutines::Instance().Validate(field, stored, message)) return false;
    field.SetValue(stored);
    return true;
}
