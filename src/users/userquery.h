#pragma once
// The statements sign-in and re-sign-in share.
#include <cstdint>
#include <memory>
#include <string>

class SQLDB;
class Recordset;
struct DateTime;

// The user row with its role, rights masks and the database clock.
std::string UserQuery(const std::string& login);
// The user row of `login` on the default database (`db` receives it); nullptr
// with the English text of the refusal in `error` when the name is empty,
// the database is missing, the query fails (logged under `form`) or no user has
// that name.
std::shared_ptr<Recordset> ReadUserRow(const std::string& login, const char* form, SQLDB*& db,
                                       std::string& error);
// The outlets the role may work in, in the installation's sort order;
// `outletID` > 0 narrows it to one outlet.
std::string PermittedOutletsQuery(int32_t roleLevel, int32_t roleID, int32_t outletID = 0);
std::string EmployeesQuery(int32_t userID);
// Whole days / minutes / seconds from a to b as calendar differences.
int64_t DaysBetween(const DateTime& a, const DateTime& b);
int64_t MinutesBetween(const DateTime& a, const DateTime& b);
int64_t SecondsBetween(const DateTime& a, const DateTime& b);
