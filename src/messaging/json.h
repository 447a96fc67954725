#pragma once
// Reads JSON texts into JsonValue structures and writes them back.
//
// The reader is lenient, as the web booking service's texts need: keys and
// strings may be single-quoted, keys may be unquoted, "/* */" comments and
// parentheses count as blanks and commas are optional. The text must start
// with an object or an array; text after it is ignored.
#include <string>

#include "messaging/jsonvalue.h"

class JSON {
  public:
    // Containers nested deeper than this are refused, so a hostile text
    // cannot exhaust the stack.
    static constexpr int kMaxDepth = 512;

    // A new empty dictionary, the structure an object text parses into.
    static JsonValue ObjectJSon() { return JsonValue(JsonObject()); }

    // The object or array of `text`. On failure the null value, with the
    // reason (a line ending in CR LF) appended to ErrorText().
    JsonValue Parse(const std::string& text);
    // Compact JSON: no blanks or line breaks; characters outside printable
    // ASCII as \uXXXX escapes (surrogate pairs beyond U+FFFF). "" only when
    // memory runs out.
    std::string ToString(const JsonValue& value) const;

    // The reasons of the failed parses since the last successful one.
    const std::string& ErrorText() const { return errorText_; }

  private:
    std::string errorText_;
};
