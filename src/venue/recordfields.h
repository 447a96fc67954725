#pragma once
// Shared pieces of the venue record classes: the row check every AddFromRS
// starts with, the flag readers of the outlet columns, and texts kept in
// three languages.
#include <array>
#include <cctype>
#include <string>

#include "core/errorstate.h"
#include "core/log.h"
#include "data/sqldb.h"

// False (with 9015 or 9018 set and logged) when there is no current row.
// `eofText` is the class's wording of the end-of-recordset message.
inline bool HasCurrentRow(ErrorState& err, const Recordset* rs, const char* cls,
                          const char* eofText) {
    if (rs != nullptr && !rs->Eof()) return true;
    const int32_t number = rs == nullptr ? kErrRSNothing : kErrRSEOF;
    const char* text = rs == nullptr ? "oRS is nothing" : eofText;
    err.SetErr(number, cls, "AddFromRS", text);
    WriteErrLog(number, err.ErrDescription(), cls, "AddFromRS");
    return false;
}

// Flags stored as text count only when the text is exactly "1": " 1" and
// "01" are off. An integer 1 reads as the text "1" too.
inline bool FieldFlagText(const Recordset* rs, const char* field) {
    return FieldStr(rs, field) == "1";
}
inline bool FieldFlagNonZero(const Recordset* rs, const char* field) {
    return FieldLng(rs, field) != 0;
}
// Exactly the number 1 (2 is off, unlike the non-zero flags).
inline bool FieldFlagIsOne(const Recordset* rs, const char* field) {
    return FieldDbl(rs, field) == 1.0;
}

// Table numbers and state codes compare upper-cased; only ASCII letters
// change, so UTF-8 table names pass through intact.
inline std::string UpperAscii(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A name, description or address in languages 1 to 3.
class LangText {
  public:
    // Reads prefix + "L1" .. "L3".
    void Read(const Recordset* rs, const std::string& prefix) {
        for (std::size_t i = 0; i < 3; ++i)
            texts_[i] = FieldStr(rs, prefix + "L" + std::to_string(i + 1));
    }
    // "" for a language outside 1..3.
    std::string In(int language) const {
        return language >= 1 && language <= 3 ? texts_[static_cast<std::size_t>(language - 1)]
                                              : std::string();
    }
    const std::string& L1() const { return texts_[0]; }
    const std::string& L2() const { return texts_[1]; }
    const std::string& L3() const { return texts_[2]; }

  private:
    std::array<std::string, 3> texts_;
};
