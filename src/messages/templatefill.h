#pragma once
// Filling of message and receipt templates: placeholders `[$name$]` are
// replaced by plain text, then the small NUM and DATE expressions the
// filling produced are evaluated. The functions here work on plain values;
// templatesource.h gathers those values from a reservation.
#include <map>
#include <string>
#include <utility>
#include <vector>

// "`[$" + name + "$]`".
std::string Placeholder(const std::string& name);

// Replaces every occurrence of `from` in `text` (case-sensitive).
void ReplaceAllText(std::string& text, const std::string& from, const std::string& to);

// The values of one filling, applied in this order: the guest's name, the
// creating user and the creation and update times, the extra values, the
// record's fields, and the table list.
struct TemplateValues {
    std::string guestName;
    // Replaced only when set (an existing reservation without the column
    // leaves them empty rather than unset).
    bool haveAudit = false;
    bool newResv = false;
    std::string createUser, createDT, updateDT;
    std::map<std::string, std::string> extra;
    // Field name (the column) and its display value, in field order.
    std::vector<std::pair<std::string, std::string>> fields;
    bool tableList = false;
    std::string tableNoList;
};

// The placeholders replaced; placeholders without a value stay as written.
// A field value's back-quotes become single quotes so that a value can
// never open a placeholder of its own.
std::string FillPlaceholders(const std::string& text, const TemplateValues& values);

// Evaluates NUM`[$a+b$]` (also - * /) and DATE`[$yyyy-mm-dd+n$]`,
// DATE`[$yyyy-mm-dd-n$]`, DATE`[$yyyy-mm-dd-yyyy-mm-dd$]` (days between).
// When an expression cannot be evaluated (numbers that do not read, a date
// that does not exist, a division by zero) the text is returned as it stood
// before that expression, `error` tells why, and the rest is not evaluated.
std::string EvaluateExpressions(const std::string& text, std::string* error = nullptr);
