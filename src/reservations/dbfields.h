#pragma once
// Update sets: the columns an UPDATE of a reservation writes, each with its
// value and whether the value is quoted, written out as a SET list.
#include <cstddef>
#include <string>

#include "core/orderedmap.h"
#include "sql/variant.h"

struct DBField {
    std::string Name;
    Variant Value;
    // False lets an expression ("GetDate()", "NULL") reach the database as it stands.
    bool Quote = true;
};

class DBFields {
  public:
    // A column already in the set keeps its first value (false then).
    bool Add(const std::string& name, Variant value, bool quote = true);
    bool Exists(const std::string& name) const;
    const DBField* Item(const std::string& name) const;
    std::size_t Count() const { return items_.Count(); }
    // "Name=value,Name=value" in insertion order; false (and `out` empty)
    // when a value is null or binary, which has no place in a SET list.
    bool SetList(std::string& out) const;

  private:
    OrderedMap<std::string, DBField> items_;  // keyed by the upper-cased name
};

// The SQL text of one value as a SET list writes it; false for null and binary.
bool DBFieldValueSQL(const DBField& field, std::string& out);
