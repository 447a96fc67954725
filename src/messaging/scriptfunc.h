#pragma once
// Utility functions for evaluated list queries, shown to scripts as "Func"
// with its members global (so a condition may write GetYear(Var("d")) = 2014).
// Every function traps its own failures: a value it cannot use gives the
// result's failure value (0, "", False) instead of an error.
#include <string>
#include <string_view>
#include <vector>

#include "messaging/vbscriptvalue.h"

class ScriptFunc : public VBObject {
  public:
    // Text slices count characters, not bytes. Positions are 1-based.
    VBValue Left(const VBValue& text, const VBValue& length) const;
    VBValue Right(const VBValue& text, const VBValue& length) const;
    // `length` -1 runs to the end of the text.
    VBValue Mid(const VBValue& text, const VBValue& start, const VBValue& length) const;
    // Position of `find` in `text` from `start` (1), 0 when absent.
    VBValue InStr(const VBValue& text, const VBValue& find, int start = 1) const;
    VBValue Length(const VBValue& text) const;

    // Parts of a date ("yyyy-mm-dd[ hh:nn[:ss]]" text); 0 when not a date.
    VBValue GetYear(const VBValue& date) const;
    VBValue GetMonth(const VBValue& date) const;
    VBValue GetDay(const VBValue& date) const;
    VBValue GetDOW(const VBValue& date) const;  // 1 = Sunday
    VBValue GetHour(const VBValue& date) const;
    VBValue GetMinute(const VBValue& date) const;
    // "MM-DD" read as the number month * 100 + day (May 16 is 516).
    VBValue GetMonthDay(const VBValue& date) const;
    // `ref` defaults (Empty) to today.
    VBValue IsToday_NoYear(const VBValue& date, const VBValue& ref = VBValue()) const;
    VBValue IsToday_NoYearMonth(const VBValue& date, const VBValue& ref = VBValue()) const;
    VBValue IsThisMonth_NoYear(const VBValue& date, const VBValue& ref = VBValue()) const;

    VBValue CInteger(const VBValue& value) const;  // largest integer not above
    VBValue RoundDown(const VBValue& value) const { return CInteger(value); }
    VBValue Plus(const VBValue& a, const VBValue& b) const;
    VBValue Minus(const VBValue& a, const VBValue& b) const;
    VBValue Multiply(const VBValue& a, const VBValue& b) const;
    VBValue Divide(const VBValue& a, const VBValue& b) const;
    VBValue Modulus(const VBValue& a, const VBValue& b) const;
    VBValue Absolute(const VBValue& a) const;
    // Dates compared as dates, numbers as numbers, anything else as text.
    VBValue Min(const VBValue& a, const VBValue& b) const;
    VBValue Max(const VBValue& a, const VBValue& b) const;
    VBValue Rnd(const VBValue& low, const VBValue& high) const;
    // Dates with the tokens yyyy mm dd hh nn ss; numbers with 0 # , . patterns
    // ("###,###,###.00", "0.00"); anything else as its text.
    VBValue Format(const VBValue& value, const VBValue& pattern) const;
    VBValue IIF(const VBValue& condition, const VBValue& a, const VBValue& b) const;
    // Value sets: a list object (its `column` of every row), a comma-separated
    // text (items trimmed) or a single value.
    VBValue ExistsIn(const VBValue& a, const VBValue& b, const VBValue& column) const;
    VBValue InList(const VBValue& value, const VBValue& container) const;
    VBValue ExistsInAll(const VBValue& column, const VBValue& value, const VBValue& items) const;

    bool HasMember(std::string_view name) const override;
    bool Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                VBError& err) override;
};
