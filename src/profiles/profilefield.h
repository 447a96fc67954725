#pragma once
// ProfileField: one field of a profile definition at run time. It carries
// every column of its tbl_ProfileDefinition row, its options, and the input
// control a form made for it, and it alone knows how a stored value goes
// into that control and comes back out as a stored or a shown text.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "profiles/inputcontrol.h"
#include "sql/variant.h"

class Recordset;

struct ProfileOption {
    int32_t OptSeq = 0;
    std::string Name;     // shown text in the user's language
    std::string Value;    // stored value
    std::string SubCode;  // OptSubCode
};

class ProfileField : public ErrorState {
  public:
    // Reads every column of the current definition row; `language` (1..3)
    // picks the caption, the list header and the option names.
    bool LoadDefinition(const Recordset* rs, int language);
    // Appends an option under the next key (1, 2, ...): options stay in the
    // order they are added.
    void AddOption(ProfileOption option);
    void ClearOptions() { options_.Clear(); }
    const OrderedMap<int32_t, ProfileOption>& Options() const { return options_; }

    // Any definition column by name (ignoring case); null when absent.
    const Variant& Attr(const std::string& column) const;
    std::string AttrText(const std::string& column) const;
    int32_t AttrLong(const std::string& column) const;
    // On for a non-zero number or the texts "1"/"true".
    bool AttrFlag(const std::string& column) const;
    void SetAttr(const std::string& column, Variant value);

    const std::string& ProfileCode() const { return code_; }
    std::string DBField() const { return AttrText("DBField"); }
    // The column that holds the value: DBField, or the code of a pseudo-field.
    std::string ColumnName() const;
    bool IsPseudo() const;  // code begins with "SYS_"
    int InputType() const { return inputType_; }
    std::string DataType() const { return AttrText("DataType"); }
    std::string DBDataType() const { return AttrText("DBDataType"); }
    std::string DefaultValue() const { return AttrText("DefaultValue"); }
    std::string FieldValidateCode() const { return AttrText("FieldValidateCode"); }
    std::string FieldActionCode() const { return AttrText("FieldActionCode"); }
    bool DataFromGuestTable() const { return AttrFlag("DataFromGuestTable"); }
    bool DataFromResvTable() const { return AttrFlag("DataFromResvTable"); }
    // Caption / list header in the field's language, English when blank.
    std::string Desc() const;
    std::string ResvListHeader() const;
    int Language() const { return language_; }

    // The bound controls. UIInputObject is made by CreateInputControl (or by
    // a front end that brings its own); the others are optional.
    std::shared_ptr<InputControl> UIInputObject;
    std::shared_ptr<InputControl> UIDescObject;
    std::shared_ptr<InputControl> UIMoreButtonObject;
    // Makes the control the input type asks for, with the options loaded
    // into its list and the caption set.
    InputControl& CreateInputControl();
    InputControl& Control();  // the bound control, made when there is none

    // The value to store, as text, read from the control.
    std::string GetValue() const;
    // The text to show: option names for codes, dates in the user's format.
    std::string GetDisplayText() const;
    // Puts a stored value into the control. A stored date that a
    // day-month-year control cannot offer (a year outside its list) is kept
    // as it stands: it shows and reads back unchanged until a new value is
    // set, so an edit of another field never clears it.
    void SetValue(const std::string& value);
    // Whether the control can take the stored value without losing it;
    // false with an English message (to translate) when it cannot.
    bool CanHold(const std::string& value, std::string& message);

    // The first option whose Value equals `value` exactly; nullptr when none.
    const ProfileOption* FindOptionByValue(const std::string& value) const;
    // The key of that option; 0 when none.
    int32_t FindOptionKey(const std::string& value) const;
    // The first row of the control whose key column equals `value`; -1 when none.
    int FindRowByColumn(const std::string& value) const;
    // "930" -> "09:30", "1945" -> "19:45"; anything else (not 3-4 digits, or
    // hours over 23 / minutes over 59) comes back unchanged.
    static std::string NormaliseTime(const std::string& text);

    // The value as the control gave it after loading, to find edits.
    const std::string& LoadedValue() const { return loadedValue_; }
    void SetLoadedValue(std::string v) { loadedValue_ = std::move(v); }
    bool Changed() const { return GetValue() != loadedValue_; }

  private:
    bool TimeTyped() const;  // a combo whose value is the typed text

    std::string code_;
    int inputType_ = 1;
    int language_ = 1;
    std::map<std::string, Variant> attrs_;  // lower-case column name
    OrderedMap<int32_t, ProfileOption> options_;
    std::string loadedValue_;
    std::string heldValue_;  // a stored value the control cannot show
};
