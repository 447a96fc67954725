#include "procedures/installprocedures.h"

const std::vector<NamedDBProcedure>& InstallationProcedures() {
    static const std::vector<NamedDBProcedure> list = {
        {"sp_CT_GetFPByDate", ProcGetFPByDate},
        {"sp_CT_HoldTable", ProcHoldTable},
        {"sp_CT_GetHoldTable", ProcGetHoldTable},
        {"sp_SV_GetTableStatus", ProcGetTableStatus},
        {"sp_CM_GetReserveNo", ProcGetReserveNo},
        {"sp_WebKIV_GetAllotmentByDate", ProcGetAllotmentByDate},
        {"sp_CT_WriteUserLog", ProcWriteUserLog},
        {"sp_WebKIV_GetWebBookingOutlet", ProcGetWebBookingOutlet},
    };
    return list;
}

const std::vector<NamedDBTableFunction>& InstallationTableFunctions() {
    static const std::vector<NamedDBTableFunction> list = {
        {"fn_GetFPByDate", DBTableFunction{kFPByDateColumns, FuncGetFPByDate}},
    };
    return list;
}
