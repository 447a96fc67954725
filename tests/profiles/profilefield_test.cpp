// Profile fields: how stored values go into the toolkit-neutral controls and
// come back out as stored and shown texts.
#include "profiles/profilefield.h"

#include <gtest/gtest.h>

#include "profiles/fieldinput.h"
#include "profiles/uiproperties.h"

namespace {

ProfileField MakeField(const char* inputType, const char* dataType = "S",
                       const char* defaultValue = "") {
    ProfileField f;
    f.SetAttr("ProfileCode", "F");
    f.SetAttr("DBField", "F");
    f.SetAttr("InputType", inputType);
    f.SetAttr("DataType", dataType);
    f.SetAttr("DefaultValue", defaultValue);
    f.SetAttr("DescL1", "Field");
    return f;
}

void AddYesNo(ProfileField& f) {
    f.AddOption({1, "Yes", "YES", ""});
    f.AddOption({2, "No", "NO", ""});
    f.AddOption({3, "Unknown", "", ""});
}

TEST(ProfileField, NormalisesTypedTimes) {
    const std::pair<const char*, const char*> cases[] = {
        {"930", "09:30"}, {"1945", "19:45"},  {"0005", "00:05"}, {"1975", "1975"}, {"2400", "2400"},
        {"99", "99"},     {"12345", "12345"}, {"9:30", "9:30"},  {"abc", "abc"},   {"", ""},
    };
    for (const auto& [typed, time] : cases)
        EXPECT_EQ(ProfileField::NormaliseTime(typed), time) << typed;
}

TEST(ProfileField, ControlKindByInputType) {
    const std::pair<const char*, const char*> cases[] = {
        {"TX", "TEXTBOX"},  {"TB", "TEXTBOX"},  {"D", "DTPICKER"}, {"DT", "DTPICKER"},
        {"TM", "COMBOBOX"}, {"FC", "FPCOMBO"},  {"c", "COMBOBOX"}, {"CX", "COMBOBOX"},
        {"L", "LISTBOX"},   {"CB", "CHECKBOX"}, {"DD", "DMYDATE"}, {"TT", "AMPMTIME"},
        {"IM", "IMAGE"},    {"ZZ", "TEXTBOX"},  {"", "TEXTBOX"},
    };
    for (const auto& [code, kind] : cases) {
        EXPECT_EQ(UIProperties(InputTypeNumber(code)).ControlKind(), kind) << code;
        EXPECT_EQ(MakeField(code).CreateInputControl().Kind(), kind) << code;
    }
}

TEST(ProfileField, StoredValuesRoundTripThroughTheirControls) {
    struct Case {
        const char* inputType;
        const char* dataType;
        const char* stored;
        const char* value;    // GetValue after SetValue(stored)
        const char* display;  // GetDisplayText (no date format loaded: yyyy-mm-dd)
    };
    const Case cases[] = {
        {"TX", "S", "  Chan  ", "Chan", "Chan"},
        {"D", "D", "2024-03-07", "2024-03-07", "2024-03-07"},
        {"DT", "DT", "2024-03-07 19:30:00", "2024-03-07 19:30:00", "2024-03-07 19:30"},
        {"TM", "T", "19:30:00", "19:30", "19:30"},
        {"C", "T", "19:45", "19:45", "19:45"},  // a combo of times gives the typed time
        {"C", "S", "YES", "YES", "Yes"},
        {"C", "S", "MAYBE", "", ""},  // not an option: nothing selected
        {"C", "S", "", "", "Unknown"},
        {"L", "S", "NO", "NO", "No"},
        {"CX", "S", "free text", "free text", "free text"},
        {"CB", "I", "1", "1", "Yes"},
        {"CB", "I", "Y", "0", "No"},  // only "1" ticks the box
        {"DD", "D", "2024-02-29", "2024-02-29", "2024-02-29"},
        // Years the control does not offer are kept as stored, and shown.
        {"DD", "D", "1899-12-31", "1899-12-31", "1899-12-31"},
        {"DD", "D", "2150-06-01", "2150-06-01", "2150-06-01"},
        {"TT", "TT", "19:15", "19:15", "7:15 PM"},
        {"IM", "S", " pic.png ", "pic.png", "pic.png"},
    };
    for (const auto& c : cases) {
        ProfileField f = MakeField(c.inputType, c.dataType);
        AddYesNo(f);
        f.CreateInputControl();
        f.SetValue(c.stored);
        EXPECT_EQ(f.GetValue(), c.value) << c.inputType << " " << c.stored;
        EXPECT_EQ(f.GetDisplayText(), c.display) << c.inputType << " " << c.stored;
    }
}

TEST(ProfileField, ListsAndChooserRows) {
    ProfileField combo = MakeField("C");
    AddYesNo(combo);
    InputControl& c = combo.CreateInputControl();
    EXPECT_EQ(c.ListCount(), 3);
    EXPECT_EQ(combo.GetValue(), "");  // nothing selected: stored as NULL
    c.SetListIndex(1);
    EXPECT_EQ(combo.GetValue(), "NO");
    ASSERT_NE(combo.FindOptionByValue("YES"), nullptr);
    EXPECT_EQ(combo.FindOptionByValue("YES")->Name, "Yes");
    EXPECT_EQ(combo.FindOptionByValue("yes"), nullptr);  // exact match only

    ProfileField chooser = MakeField("FC");
    InputControl& fc = chooser.CreateInputControl();
    fc.AddRow({"A1", "A1 (window)"});
    fc.AddRow({"A2", "A2 (hall)"});
    EXPECT_EQ(chooser.FindRowByColumn("A2"), 1);
    EXPECT_EQ(chooser.FindRowByColumn("A3"), -1);
    chooser.SetValue("A2");
    EXPECT_EQ(chooser.GetValue(), "A2");
    EXPECT_EQ(chooser.GetDisplayText(), "A2 (hall)");
}

TEST(ProfileField, DateFieldWithNowDefaultShowsTheCurrentTime) {
    ProfileField f = MakeField("DT", "DT", "NOW");
    const DateTime before = DateTime::Now();
    f.SetValue("");
    const auto shown = DateTime::Parse(f.GetValue());
    ASSERT_TRUE(shown.has_value());
    EXPECT_LE(before.AddSeconds(-1), *shown);
    EXPECT_LE(*shown, DateTime::Now().AddSeconds(1));
}

TEST(FieldInput, TypedValuesBecomeStoredValuesOrAreRefused) {
    struct Case {
        const char* inputType;
        const char* dataType;
        const char* typed;
        bool accepted;
        const char* stored;
    };
    const Case cases[] = {
        {"TM", "T", "930", true, "09:30"},
        {"TM", "T", "1975", false, ""},
        {"TM", "T", "19:30", true, "19:30"},
        {"TX", "T", "2015", true, "20:15"},  // a text box holding a time
        {"TX", "S", "2015", true, "2015"},
        {"DD", "D", "1899-12-31", false, ""},  // years the control does not offer
        {"DD", "D", "2199-01-01", false, ""},
        {"DD", "D", "1900-01-01", true, "1900-01-01"},
        {"D", "D", "2024-02-30", false, ""},
        {"D", "D", "2024-02-29", true, "2024-02-29"},
        {"C", "S", "yes", true, "YES"},  // by value or name, any case
        {"C", "S", "No", true, "NO"},
        {"C", "S", "MAYBE", false, ""},
        {"CX", "S", "MAYBE", true, "MAYBE"},
        {"TX", "I", "12", true, "12"},
        {"TX", "I", "12a", false, ""},
        {"CB", "I", "yes", true, "1"},
        {"CB", "I", "perhaps", false, ""},
    };
    for (const auto& c : cases) {
        ProfileField f = MakeField(c.inputType, c.dataType);
        AddYesNo(f);
        std::string message;
        EXPECT_EQ(EnterFieldValue(f, c.typed, false, message), c.accepted) << c.typed;
        EXPECT_EQ(c.accepted ? f.GetValue() : std::string(c.stored), c.stored) << c.typed;
        EXPECT_EQ(message.empty(), c.accepted) << c.typed;
    }
    // A refused date leaves a stored one that the control cannot offer as it was.
    ProfileField birthday = MakeField("DD", "D");
    birthday.SetValue("1899-12-31");
    birthday.SetLoadedValue(birthday.GetValue());
    std::string refused;
    EXPECT_FALSE(EnterFieldValue(birthday, "2199-12-31", false, refused));
    EXPECT_EQ(refused, "Date out of range");
    EXPECT_FALSE(birthday.Changed());
    ASSERT_TRUE(EnterFieldValue(birthday, "", false, refused));
    EXPECT_TRUE(birthday.Changed());  // cleared on purpose

    ProfileField must = MakeField("TX");
    std::string message;
    EXPECT_FALSE(EnterFieldValue(must, "", true, message));
    EXPECT_EQ(message, "A value is required");
}

}  // namespace
