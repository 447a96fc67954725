#pragma once
// The statements sign-in and re-sign-in share.
#include <cstdint>
#include <string>

class SQLDB;
class Recordset;
struct DateTime;

// The user row with its role, rights masks and the database clock.
std::string UserQuery(const std::string& login);
// The outlets the role may work in, in the installation's sort order;
// `outletID` > 0 narrows it to one outlet.
std::string PermittedOutletsQuery(int32_t roleLevel, int32_t roleID, int32_t outletID = 0);
std::string EmployeesQuery(int32_t userID);
// Whole days / minutes / seconds from a to b as calendar differences.
int64_t DaysBetween(const DateTime& a, const DateTime& b);
int64_t MinutesBetween(const DateTime& a, const DateTime& b);
int64_t SecondsBetween(const DateTime& a, const DateTime& b);
