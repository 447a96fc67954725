#pragma once
// CSVWriter: builds comma-separated lines the reader reads back unchanged. A
// text goes in double quotes with each double quote doubled, a number is
// written bare, and NULL is nothing between the commas. Lines end with CR LF.
// A line of one NULL is written as "" (empty): a blank line would be skipped.
#include <string>
#include <string_view>

class CSVWriter {
  public:
    void Text(std::string_view value);    // "value", quotes doubled
    void Number(std::string_view value);  // as it stands
    void Null();
    void EndLine();

    const std::string& Output() const { return out_; }
    std::string Take() { return std::move(out_); }
    void Clear() { out_.clear(); }

  private:
    void Separate();

    std::string out_;
    bool lineStarted_ = false;
    int cells_ = 0;          // values on the current line
    bool onlyNull_ = false;  // the line so far is one NULL
};
