#pragma once
// The DataType codes of profile fields: how a value is read in lists,
// entered in the forms and written to exported files.
//   "D"  date            lists "yyyy-mm-dd", exports "YYYY-MM-DD"
//   "DT" date and time   lists "yyyy-mm-dd hh:nn:ss", exports "YYYY-MM-DD HH:NN:SS"
//   "T"  time of day     lists "hh:nn", exports "HH:NN:SS"; a combo of times
//                        gives the typed time
//   "S"  text            read and written as stored (never converted)
//   "I"  whole number, "M" money: read as stored
// Any other code is read as stored, like "S".
#include <string>

namespace ProfileDataType {
inline constexpr const char* kDate = "D";
inline constexpr const char* kDateTime = "DT";
inline constexpr const char* kTime = "T";
inline constexpr const char* kText = "S";
inline constexpr const char* kInteger = "I";
inline constexpr const char* kMoney = "M";

// Whether the code is the one for times of day.
inline bool IsTime(const std::string& dataType) {
    return dataType == kTime;
}
// The format a file export writes a value of this type in; "" for values
// written as stored.
inline std::string ExportFormat(const std::string& dataType) {
    if (dataType == kDate) return "YYYY-MM-DD";
    if (dataType == kDateTime) return "YYYY-MM-DD HH:NN:SS";
    if (dataType == kTime) return "HH:NN:SS";
    return "";
}
}  // namespace ProfileDataType
