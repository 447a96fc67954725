#pragma once
// The input types of profile fields: their codes, numbers, and the kind of
// control each asks for.
#include <string>

enum InputTypeNo : int {
    kInputTX = 1,
    kInputTB = 2,
    kInputD = 3,
    kInputDT = 4,
    kInputTM = 5,
    kInputFC = 6,
    kInputC = 7,
    kInputCX = 8,
    kInputL = 9,
    kInputCB = 10,
    kInputDD = 11,
    kInputTT = 12,
    kInputIM = 13,
};

// The number of an InputType code (any case); an unknown code is a text box.
int InputTypeNumber(const std::string& code);
// The code of a number ("TX" for an unknown one).
std::string InputTypeCode(int number);

class UIProperties {
  public:
    explicit UIProperties(int inputType) : inputType_(inputType) {}
    // "TEXTBOX", "DTPICKER", "COMBOBOX", "FPCOMBO", "LISTBOX", "CHECKBOX",
    // "DMYDATE", "AMPMTIME" or "IMAGE".
    std::string ControlKind() const;
    bool IsList() const;  // combo and list boxes (options)

  private:
    int inputType_;
};
