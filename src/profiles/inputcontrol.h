#pragma once
// InputControl: the toolkit-neutral state of one entry control of a profile
// form. A front end binds its widget to these properties (a console, a
// desktop window or a test all read and write the same model):
//   Text       the typed text (text boxes, combo boxes that take typing)
//   list       rows of one or more columns, each with an ItemData number;
//              ListIndex selects one (-1: none), ListCount counts them,
//              List(i) is the shown column, ColList(row, col) any column
//   Value      the value of a date picker ("YYYY-MM-DD HH:MM:SS"), a check
//              box ("1"/"0") or a picture reference
//   Caption    the label shown with the control
// Day-month-year and AM/PM controls carry their own value objects.
#include <cstdint>
#include <string>
#include <vector>

#include "venue/ampmtime.h"
#include "venue/dmydate.h"

class InputControl {
  public:
    explicit InputControl(std::string kind = "TEXTBOX") : kind_(std::move(kind)) {}

    // "TEXTBOX", "DTPICKER", "COMBOBOX", "FPCOMBO", "LISTBOX", "CHECKBOX",
    // "DMYDATE", "AMPMTIME" or "IMAGE".
    const std::string& Kind() const { return kind_; }

    const std::string& Text() const { return text_; }
    void SetText(std::string v) { text_ = std::move(v); }

    // Lists. A one-column row for plain lists; the floor-plan chooser has a
    // key column and a shown column (KeyColumn / ShownColumn).
    void AddItem(const std::string& text, int32_t itemData = 0);
    void AddRow(std::vector<std::string> columns, int32_t itemData = 0);
    void ClearList();
    int ListCount() const { return static_cast<int>(rows_.size()); }
    // The shown text of a row; "" out of range.
    std::string List(int index) const { return ColList(index, shownColumn_); }
    int32_t ItemData(int index) const;
    std::string ColList(int row, int column) const;
    int ListIndex() const { return listIndex_; }
    // An index outside the list selects nothing (-1).
    void SetListIndex(int index);
    int KeyColumn() const { return keyColumn_; }
    int ShownColumn() const { return shownColumn_; }
    void SetColumns(int keyColumn, int shownColumn) {
        keyColumn_ = keyColumn;
        shownColumn_ = shownColumn;
    }

    const std::string& Value() const { return value_; }
    void SetValue(std::string v) { value_ = std::move(v); }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string v) { caption_ = std::move(v); }

    DMYDate& Date() { return date_; }
    const DMYDate& Date() const { return date_; }
    AMPMTime& Time() { return time_; }
    const AMPMTime& Time() const { return time_; }

  private:
    struct Row {
        std::vector<std::string> columns;
        int32_t itemData = 0;
    };

    std::string kind_;
    std::string text_;
    std::vector<Row> rows_;
    int listIndex_ = -1;
    int keyColumn_ = 0, shownColumn_ = 0;
    std::string value_;
    std::string caption_;
    DMYDate date_;
    AMPMTime time_;
};
