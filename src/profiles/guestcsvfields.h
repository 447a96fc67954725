#pragma once
// What a guest file may hold: the guest profile fields marked for export or
// import in the profile definition, the kind of value each guest column
// takes, and the check that turns a file's text into a value that column
// accepts.
#include <string>
#include <vector>

#include "core/errorstate.h"

class SQLDB;

// A profile field of the guest table that files exchange.
struct GuestCSVField {
    std::string Column;  // DBField, as the definition spells it
    std::string DataType;
    std::string DBDataType;
    int DBSize = 0;
    bool Export = false;
    bool ImportNew = false;
    bool ImportUpdate = false;
};

// The kind of value a guest column takes.
enum class GuestValueKind { kText, kInteger, kNumber, kBit, kDate, kTime, kDateTime };

struct GuestColumnRule {
    GuestValueKind Kind = GuestValueKind::kText;
    int MaxLength = 0;  // characters a text may have; 0 for no limit
};

// Every active, non-pseudo profile field that names a plain guest-table
// column and takes part in export or import, in definition order. False
// (with `err` set and logged) when the definition cannot be read.
bool LoadGuestCSVFields(SQLDB& db, std::vector<GuestCSVField>& out, ErrorState& err);

// The rule of each column of `field`: the guest table's declared type where
// the database tells it, else the field's DataType and DBDataType; text
// length is the smaller of the column's length and the field's DBSize.
// `declaredType` is the column's declared type ("NVARCHAR(50)", "DATE"; ""
// when unknown) and `adoType` the ADO type the column reads as (0 unknown).
GuestColumnRule RuleFor(const GuestCSVField& field, const std::string& declaredType, int adoType);

// The value to stage for the text of a file cell: dates, times and numbers
// in their storage form. False with the reason (English, ends with ":" as the
// column follows) when the column cannot take it. `text` is never empty here
// (empty cells are NULL).
bool NormaliseGuestValue(const GuestColumnRule& rule, const std::string& text, std::string& value,
                         std::string& reason);

// Letters, digits and underscores only: names that may go into statements.
bool IsPlainColumnName(const std::string& name);
