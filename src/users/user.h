#pragma once
// User (g_oUser): the signed-in user with role, rights masks, permitted
// outlets and employee numbers.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"
#include "sql/recordfields.h"

constexpr int32_t kTopRoleLevel = 255;

class User : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);
    bool LoadOutlets(Recordset* rs);
    bool LoadEmployees(Recordset* rs);
    std::string GetEmployeeID(int32_t accountID) const;

    // Allowed when the bit is set in the front-end (back-end) mask `index`.
    bool CheckFERight(int index, int32_t bit, bool showMessage) const;
    // Also writes the check to the user-action log.
    bool CheckBERight(int index, int32_t bit, bool showMessage) const;

    int32_t UserID() const { return userID_; }
    const std::string& LoginID() const { return loginID_; }
    const std::string& Password() const { return password_; }
    std::string UserName(int language) const { return userName_.In(language); }
    const std::string& UserNameL1() const { return userName_.L1(); }
    int32_t DiffNamePwd() const { return diffNamePwd_; }
    int32_t PwdNextLogon() const { return pwdNextLogon_; }
    int32_t Disabled() const { return disabled_; }
    int32_t RoleID() const { return roleID_; }
    const std::string& RoleCode() const { return roleCode_; }
    int32_t RoleLevel() const { return roleLevel_; }
    std::string RoleName(int language) const { return roleName_.In(language); }
    int32_t PwdSecurity() const { return pwdSecurity_; }
    int32_t SessionTimeout() const { return sessionTimeout_; }
    int32_t FERightMask(int index) const;
    int32_t BERightMask(int index) const;
    const std::string& RowStatus() const { return rowStatus_; }
    const DateTime& RowModified() const { return rowModified_; }
    const std::string& OutletIDList() const { return outletIDList_; }
    const std::string& OutletCodeList() const { return outletCodeList_; }
    const OrderedMap<std::string, int32_t>& Outlets() const { return outlets_; }
    const OrderedMap<int32_t, std::string>& Employees() const { return employees_; }

  private:
    int32_t userID_ = 0;
    std::string loginID_;
    std::string password_;
    LangText userName_;
    int32_t diffNamePwd_ = 0;
    int32_t pwdNextLogon_ = 0;
    int32_t disabled_ = 0;
    int32_t roleID_ = 0;
    std::string roleCode_;
    int32_t roleLevel_ = 0;
    LangText roleName_;
    int32_t pwdSecurity_ = 0;
    int32_t sessionTimeout_ = 0;
    std::array<int32_t, 11> feMask_{};
    std::array<int32_t, 16> beMask_{};
    std::string rowStatus_;
    DateTime rowModified_;
    std::string outletIDList_ = "0";
    std::string outletCodeList_ = "'NULL'";
    OrderedMap<std::string, int32_t> outlets_;
    OrderedMap<int32_t, std::string> employees_;
};

extern std::unique_ptr<User> g_oUser;
