#pragma once
// The user-action log: one row per action, written by the database
// procedure sp_CT_WriteUserLog.
#include <cstdint>
#include <string>

enum UserLogCategory : int {
    kUserLogGeneral = 0,
    kUserLogCView = 1,
    kUserLogFView = 2,
    kUserLogPView = 3,
    kUserLogNewReg = 4,
    kUserLogMember = 5,
    kUserLogBulk = 6,
    kUserLogOther = 7,
};

// "GENERAL", "CVIEW", ... "OTHER"; "UNKNOWN" for any other index.
std::string UserLogCategoryName(int category);

// Writes the row on the outlet's server when an outlet and a server are
// given, else on the default server. User 0 or less means the signed-in user.
bool WriteUserLog(int category, const std::string& remark, int32_t outletID = 0,
                  int32_t dbServerID = 0, int32_t userID = 0);
