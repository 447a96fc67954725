#pragma once
// AMPMTime: a time of day entered on a twelve-hour list with an AM/PM choice
// and given to the rest of the program in 24-hour form. A front end binds its
// time box to Text, its choice to AMPM, and fills its list from Times.
#include <string>
#include <vector>

class AMPMTime {
  public:
    // "h:mm" or "hh:mm", optionally with ":ss"; "" means no time.
    const std::string& Text() const { return text_; }
    void SetText(std::string v) { text_ = std::move(v); }
    // "AM", "PM" or "" (nothing chosen).
    const std::string& AMPM() const { return ampm_; }
    void SetAMPM(std::string v) { ampm_ = std::move(v); }

    // "hh:nn" in 24-hour form; "" when there is no time or the text is not one.
    std::string Value() const;
    // Takes "hh:nn" or "hh:nn:ss" (":" or "/" between hours and minutes,
    // hours 00-23); anything else empties the time and the AM/PM choice.
    void SetValue(const std::string& text);

    // Refills the list with times every 15 minutes from `start` to `end`
    // (past midnight when `end` is earlier), shown in the display format named
    // by `format` ("hh:nn am/pm", "h:n am/pm", "h:n:s am/pm", "hh:nn:ss am/pm",
    // any case). The number of entries; 0 when a bound is not a time.
    int FillTimes(const std::string& format, const std::string& start = "00:00",
                  const std::string& end = "12:59");
    const std::vector<std::string>& Times() const { return times_; }
    // "HH:NN", "H:N", "H:N:S" or "HH:NN:SS".
    const std::string& DisplayFormat() const { return displayFormat_; }

  private:
    std::string text_;
    std::string ampm_;
    std::vector<std::string> times_;
    std::string displayFormat_ = "HH:NN";
};
