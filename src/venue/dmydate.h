#pragma once
// DMYDate: a date entered as separate year, month and day choices, any of
// which may be empty. The value rules are those of the entry control; a
// front end binds its three choices to Year, Month and Day.
#include <string>
#include <vector>

class DMYDate {
  public:
    // The text that stands for "no date".
    static constexpr const char* kNoDate = "N/A";

    const std::string& Year() const { return year_; }
    const std::string& Month() const { return month_; }
    const std::string& Day() const { return day_; }
    void SetYear(std::string v) { year_ = std::move(v); }
    void SetMonth(std::string v) { month_ = std::move(v); }
    void SetDay(std::string v) { day_ = std::move(v); }

    // 0: a whole date is needed; any other value allows a partial date, whose
    // empty year reads as 2004 (a leap year, so 29 February survives) and
    // whose empty month or day reads as 01.
    int DateType() const { return dateType_; }
    void SetDateType(int v) { dateType_ = v; }
    bool AllowsPartial() const { return dateType_ != 0; }

    // "yyyy-mm-dd"; "" when there is no date or a part is not valid.
    std::string Value() const;
    // Takes "yyyy-mm-dd" or "yyyy/mm/dd" (years 1900-2199); anything else
    // empties the choices.
    void SetValue(const std::string& text);

    // Mode 0: the years of the two dates `from` and `to`; any other mode:
    // the years of today plus `from` days to today plus `to` days. False
    // (and an empty list) when the bounds cannot be read.
    bool FillYears(int mode, const std::string& from, const std::string& to);
    const std::vector<int>& Years() const { return years_; }

  private:
    bool YearValid(const std::string& y) const;

    std::string year_, month_, day_;
    int dateType_ = 0;
    std::vector<int> years_;
};
