#include "profiles/profilefield.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "core/config.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "platform/datetime.h"
#include "platform/textutil.h"
#include "profiles/datatype.h"
#include "profiles/uiproperties.h"
#include "sql/recordfields.h"
#include "sql/recordset.h"

namespace {

bool AllDigits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

const Variant& NullVariant() {
    static const Variant v;
    return v;
}

std::string UserDateFormat() {
    const std::string f = g_oConfig != nullptr ? g_oConfig->DateFormat() : "";
    return f.empty() ? "yyyy-mm-dd" : f;
}

std::string UserTimeFormat() {
    const std::string f = g_oConfig != nullptr ? g_oConfig->TimeFormat() : "";
    return f.empty() ? "hh:nn" : f;
}

}  // namespace

bool ProfileField::LoadDefinition(const Recordset* rs, int language) {
    if (!HasCurrentRow(*this, rs, "ProfileField", "oRS is at the end", RowLog::kNone,
                       "LoadDefinition"))
        return false;
    for (int i = 0; i < rs->FieldCount(); ++i) {
        const Variant* v = rs->Field(i);
        attrs_[LowerAscii(rs->FieldAt(i).Name)] = v != nullptr ? *v : Variant();
    }
    code_ = AttrText("ProfileCode");
    inputType_ = InputTypeNumber(AttrText("InputType"));
    language_ = language >= 1 && language <= 3 ? language : 1;
    return true;
}

void ProfileField::AddOption(ProfileOption option) {
    options_.Add(static_cast<int32_t>(options_.Count()) + 1, std::move(option));
}

const Variant& ProfileField::Attr(const std::string& column) const {
    auto it = attrs_.find(LowerAscii(column));
    return it == attrs_.end() ? NullVariant() : it->second;
}

std::string ProfileField::AttrText(const std::string& column) const {
    return Attr(column).ToText();
}

int32_t ProfileField::AttrLong(const std::string& column) const {
    bool ok = false;
    const int32_t v = Attr(column).ToInt32(&ok);
    return ok ? v : 0;
}

bool ProfileField::AttrFlag(const std::string& column) const {
    const Variant& v = Attr(column);
    if (v.IsNull()) return false;
    return v.ToBool();
}

void ProfileField::SetAttr(const std::string& column, Variant value) {
    attrs_[LowerAscii(column)] = std::move(value);
    if (LowerAscii(column) == "profilecode") code_ = attrs_["profilecode"].ToText();
    if (LowerAscii(column) == "inputtype")
        inputType_ = InputTypeNumber(attrs_["inputtype"].ToText());
}

std::string ProfileField::ColumnName() const {
    const std::string f = DBField();
    return f.empty() ? code_ : f;
}

bool ProfileField::IsPseudo() const {
    return code_.size() >= 4 && LowerAscii(code_.substr(0, 4)) == "sys_";
}

std::string ProfileField::Desc() const {
    const std::string t = AttrText("DescL" + std::to_string(language_));
    return t.empty() ? AttrText("DescL1") : t;
}

std::string ProfileField::ResvListHeader() const {
    const std::string t = AttrText("ResvListHeaderL" + std::to_string(language_));
    if (!t.empty()) return t;
    const std::string english = AttrText("ResvListHeaderL1");
    return english.empty() ? Desc() : english;
}

InputControl& ProfileField::CreateInputControl() {
    UIInputObject = std::make_shared<InputControl>(UIProperties(inputType_).ControlKind());
    if (UIProperties(inputType_).IsList()) {
        for (const auto& [key, option] : options_)
            UIInputObject->AddItem(option.Name, key);
    }
    if (inputType_ == kInputFC) UIInputObject->SetColumns(0, 1);
    // A day-month-year entry checks its year against the list it offers:
    // from 1900 (birthdays) to ten years ahead.
    if (inputType_ == kInputDD)
        UIInputObject->Date().FillYears(0, "1900-01-01", DateTime::Now().AddMonths(120).DateText());
    UIInputObject->SetCaption(Desc());
    return *UIInputObject;
}

InputControl& ProfileField::Control() {
    return UIInputObject != nullptr ? *UIInputObject : CreateInputControl();
}

bool ProfileField::TimeTyped() const {
    return inputType_ == kInputTM || ProfileDataType::IsTime(DataType());
}

std::string ProfileField::GetValue() const {
    if (UIInputObject == nullptr) return "";
    const InputControl& c = *UIInputObject;
    const std::string kind = c.Kind();
    if (kind == "TEXTBOX") return Trim(c.Text());
    if (kind == "DTPICKER") {
        const auto d = DateTime::Parse(c.Value());
        if (!d) return "";
        return inputType_ == kInputD ? d->DateText() : d->ToText();
    }
    if (kind == "COMBOBOX" || kind == "LISTBOX") {
        if (TimeTyped()) return Trim(c.Text());
        if (c.ListIndex() > -1) {
            const ProfileOption* o = options_.Item(c.ItemData(c.ListIndex()));
            return o != nullptr ? o->Value : "";
        }
        return inputType_ == kInputCX ? Trim(c.Text()) : "";
    }
    if (kind == "FPCOMBO") return c.ColList(c.ListIndex(), c.KeyColumn());
    if (kind == "DMYDATE") {
        const DMYDate& d = c.Date();
        const bool blank = d.Year().empty() && d.Month().empty() && d.Day().empty();
        return blank && !heldValue_.empty() ? heldValue_ : d.Value();
    }
    if (kind == "AMPMTIME") return c.Time().Value();
    if (kind == "CHECKBOX") return c.Value() == "1" ? "1" : "0";
    if (kind == "IMAGE") return c.Value();
    return "";
}

std::string ProfileField::GetDisplayText() const {
    if (UIInputObject == nullptr) return "";
    const InputControl& c = *UIInputObject;
    const std::string kind = c.Kind();
    if (kind == "COMBOBOX" || kind == "LISTBOX") {
        if (TimeTyped()) return Trim(c.Text());
        if (c.ListIndex() > -1) return c.List(c.ListIndex());
        return inputType_ == kInputCX ? Trim(c.Text()) : "";
    }
    if (kind == "FPCOMBO") return c.ColList(c.ListIndex(), c.ShownColumn());
    if (kind == "DTPICKER" || kind == "DMYDATE") {
        const auto d = DateTime::Parse(GetValue());
        if (!d) return "";
        std::string text = d->Format(UserDateFormat());
        if (inputType_ == kInputDT) text += " " + d->Format(UserTimeFormat());
        return text;
    }
    if (kind == "AMPMTIME") {
        const std::string t = Trim(c.Time().Text());
        return t.empty() ? "" : t + " " + c.Time().AMPM();
    }
    if (kind == "CHECKBOX") return GetMLText(c.Value() == "1" ? "Yes" : "No");
    return GetValue();
}

void ProfileField::SetValue(const std::string& value) {
    InputControl& c = Control();
    heldValue_.clear();
    switch (inputType_) {
        case kInputD:
        case kInputDT: {
            std::optional<DateTime> d;
            if (value == "NOW" || (value.empty() && DefaultValue() == "NOW"))
                d = DateTime::Now();
            else
                d = DateTime::Parse(value);
            c.SetValue(d ? d->ToText() : "");
            if (UIDescObject != nullptr) UIDescObject->SetText(c.Value());
            break;
        }
        case kInputTM: {
            const auto t = DateTime::Parse(value);
            c.SetText(t ? t->Format("hh:nn") : Trim(value));
            break;
        }
        case kInputFC:
            c.SetListIndex(FindRowByColumn(value));
            break;
        case kInputC:
        case kInputL:
            if (c.ListCount() == 0 && options_.Count() > 0) {
                for (const auto& [key, option] : options_)
                    c.AddItem(option.Name, key);
            }
            c.SetListIndex(-1);
            for (int i = 0; i < c.ListCount(); ++i) {
                if (c.ItemData(i) != 0 && c.ItemData(i) == FindOptionKey(value)) {
                    c.SetListIndex(i);
                    break;
                }
            }
            if (TimeTyped()) c.SetText(value);
            break;
        case kInputCB:
            c.SetValue(value == "1" ? "1" : "0");
            break;
        case kInputDD: {
            const auto d = DateTime::Parse(value);
            c.Date().SetValue(d ? d->DateText() : "");
            if (d && c.Date().Value() != d->DateText()) {
                c.Date().SetValue("");
                heldValue_ = d->DateText();
            }
            break;
        }
        case kInputTT: {
            const auto t = DateTime::Parse(value);
            c.Time().SetValue(t ? t->Format("hh:nn") : "");
            break;
        }
        case kInputIM:
            if (!Trim(value).empty()) c.SetValue(Trim(value));
            break;
        default:  // text boxes and the free-text combo
            c.SetText(value);
            if (inputType_ == kInputCX) c.SetListIndex(-1);
            break;
    }
}

bool ProfileField::CanHold(const std::string& value, std::string& message) {
    if (inputType_ != kInputDD || value.empty()) return true;
    // The day-month-year control offers the years of its list only.
    DMYDate probe = Control().Date();
    const auto d = DateTime::Parse(value);
    probe.SetValue(d ? d->DateText() : "");
    if (d && probe.Value() == d->DateText()) return true;
    message = "Date out of range";
    return false;
}

const ProfileOption* ProfileField::FindOptionByValue(const std::string& value) const {
    for (const auto& [key, option] : options_) {
        if (option.Value == value) return &option;
    }
    return nullptr;
}

int32_t ProfileField::FindOptionKey(const std::string& value) const {
    for (const auto& [key, option] : options_) {
        if (option.Value == value) return key;
    }
    return 0;
}

int ProfileField::FindRowByColumn(const std::string& value) const {
    if (UIInputObject == nullptr) return -1;
    const InputControl& c = *UIInputObject;
    for (int row = 0; row < c.ListCount(); ++row) {
        if (c.ColList(row, c.KeyColumn()) == value) return row;
    }
    return -1;
}

std::string ProfileField::NormaliseTime(const std::string& text) {
    if (!AllDigits(text) || (text.size() != 3 && text.size() != 4)) return text;
    const std::size_t hourDigits = text.size() - 2;
    const int hour = std::stoi(text.substr(0, hourDigits));
    const int minute = std::stoi(text.substr(hourDigits));
    if (hour > 23 || minute > 59) return text;
    const std::string h = (hour < 10 ? "0" : "") + std::to_string(hour);
    return h + ":" + text.substr(hourDigits);
}
