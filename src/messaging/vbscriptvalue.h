#pragma once
// The values of the script language: Empty, Boolean, Number, String and
// Object, with the conversions the language applies between them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class VBObject;

// Error numbers of script failures.
enum : int32_t {
    kVBErrInvalidCall = 5,       // invalid procedure call or argument
    kVBErrOverflow = 6,          // a number too large for an integer
    kVBErrOutOfMemory = 7,       // a text grew past the limit
    kVBErrDivisionByZero = 11,   // / \ Mod by zero
    kVBErrTypeMismatch = 13,     // a value of the wrong kind
    kVBErrOutOfStack = 28,       // nesting too deep
    kVBErrTimeout = 287,         // time-out or step limit reached
    kVBErrObjectRequired = 424,  // member of a non-object
    kVBErrNoMember = 438,        // unknown member of an object
    kVBErrArgCount = 450,        // wrong number of arguments
    kVBErrSyntax = 1002,         // the text does not parse
};

struct VBError {
    int32_t number = 0;
    std::string message;
};

class VBValue {
  public:
    enum class Kind : uint8_t { Empty, Boolean, Number, String, Object };

    VBValue() = default;
    VBValue(bool b) : kind_(Kind::Boolean), bool_(b) {}
    VBValue(int n) : kind_(Kind::Number), number_(n) {}
    VBValue(double n) : kind_(Kind::Number), number_(n) {}
    VBValue(const char* s) : kind_(Kind::String), text_(s) {}
    VBValue(std::string s) : kind_(Kind::String), text_(std::move(s)) {}
    VBValue(std::shared_ptr<VBObject> o);

    Kind kind() const { return kind_; }
    bool IsEmpty() const { return kind_ == Kind::Empty; }
    bool IsString() const { return kind_ == Kind::String; }
    bool IsObject() const { return kind_ == Kind::Object; }
    // Boolean, Number or Empty: compared and combined as numbers.
    bool IsNumericKind() const {
        return kind_ == Kind::Number || kind_ == Kind::Boolean || kind_ == Kind::Empty;
    }

    bool AsBool() const { return bool_; }
    double AsNumber() const { return number_; }
    const std::string& AsString() const { return text_; }
    const std::shared_ptr<VBObject>& AsObject() const { return object_; }

    // Conversions as the language applies them; false on a type mismatch.
    // True is -1; a text converts when it reads fully as a number.
    bool ToNumber(double& out) const;
    // Numbers are true when not 0; texts "True"/"False" (any case) or numbers.
    bool ToBoolean(bool& out) const;
    // "" for Empty and objects, "True"/"False", numbers in shortest form.
    std::string ToText() const;

    // A value written literally in the script text ("hard typed"): the
    // comparison of a number with a text converts towards the literal's kind.
    bool literal = false;

  private:
    Kind kind_ = Kind::Empty;
    bool bool_ = false;
    double number_ = 0;
    std::string text_;
    std::shared_ptr<VBObject> object_;
};

// Reads a whole text as a number: surrounding blanks allowed, decimal with
// optional sign, fraction and exponent, or &H hexadecimal; "" is no number.
bool VBParseNumber(std::string_view text, double& out);
// Integral values without decimals, others with up to 15 significant digits.
std::string VBNumberText(double n);
// Rounds half to even into a 32-bit integer; false when out of range.
bool VBToLong(double n, int32_t& out);

// An object the script can call members of. Names arrive in lower case; the
// empty name is the default member (obj(args)). Failures return false with
// `err` filled; nothing throws.
class VBObject {
  public:
    virtual ~VBObject() = default;
    virtual bool HasMember(std::string_view name) const = 0;
    virtual bool Invoke(std::string_view name, std::vector<VBValue>& args, VBValue& out,
                        VBError& err) = 0;
    virtual bool Assign(std::string_view name, std::vector<VBValue>& args, const VBValue& value,
                        VBError& err);
};
