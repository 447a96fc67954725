#include "reservations/resvmessagehook.h"

#include <cctype>

bool ValidSMSPhone(const std::string& phone) {
    int digits = 0;
    for (std::size_t i = 0; i < phone.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(phone[i]);
        if (std::isdigit(c) != 0) {
            ++digits;
        } else if (!(c == ' ' || c == '-' || c == '(' || c == ')' || (c == '+' && i == 0))) {
            return false;
        }
    }
    return digits >= 6;
}
