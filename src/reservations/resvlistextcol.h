#pragma once
// ResvListExtCol: an extra column of a reservation list that a list window
// adds beside the profile's columns: its key, header, the field it shows and
// how it is aligned. All four start empty.
#include <string>

class ResvListExtCol {
  public:
    std::string Key;        // the column's key in the list
    std::string Header;     // the header text
    std::string FieldName;  // the reservation field shown
    std::string Align;      // "L", "C" or "R"
};
