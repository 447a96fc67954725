#pragma once
// Typed input for a profile field: checks a value as a user typed it (an
// option's value or name, a date, a time such as "930", a number), runs the
// field's action and validation routines, and puts the stored form into the
// field's control.
#include <string>

class ProfileField;

// False, with an English message to translate for display, when the value
// is refused; the control is then left as it was. An empty value clears the
// field unless `must` is set.
bool EnterFieldValue(ProfileField& field, const std::string& typed, bool must,
                     std::string& message);
