#include "profiles/uiproperties.h"

#include <array>

#include "platform/textutil.h"

namespace {

constexpr std::array<const char*, 13> kCodes = {"TX", "TB", "D",  "DT", "TM", "FC", "C",
                                                "CX", "L",  "CB", "DD", "TT", "IM"};

}  // namespace

int InputTypeNumber(const std::string& code) {
    const std::string c = UpperAscii(code);
    for (std::size_t i = 0; i < kCodes.size(); ++i) {
        if (c == kCodes[i]) return static_cast<int>(i) + 1;
    }
    return kInputTX;
}

std::string InputTypeCode(int number) {
    return number >= 1 && number <= 13 ? kCodes[static_cast<std::size_t>(number - 1)] : "TX";
}

std::string UIProperties::ControlKind() const {
    switch (inputType_) {
        case kInputD:
        case kInputDT:
            return "DTPICKER";
        case kInputTM:
        case kInputC:
        case kInputCX:
            return "COMBOBOX";
        case kInputFC:
            return "FPCOMBO";
        case kInputL:
            return "LISTBOX";
        case kInputCB:
            return "CHECKBOX";
        case kInputDD:
            return "DMYDATE";
        case kInputTT:
            return "AMPMTIME";
        case kInputIM:
            return "IMAGE";
        default:
            return "TEXTBOX";
    }
}

bool UIProperties::IsList() const {
    return inputType_ == kInputC || inputType_ == kInputCX || inputType_ == kInputL;
}
