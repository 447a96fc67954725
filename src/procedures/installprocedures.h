#pragma once
// The installation database's procedures and table functions (sp_..., fn_...)
// for the SQLite engine. Their rules are written down in db/procedures.md.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/dbprocedures.h"

struct NamedDBProcedure {
    std::string Name;
    DBProcedure Body;
};
struct NamedDBTableFunction {
    std::string Name;
    DBTableFunction Function;
};

// Every procedure and table function of an installation database.
const std::vector<NamedDBProcedure>& InstallationProcedures();
const std::vector<NamedDBTableFunction>& InstallationTableFunctions();

// Registers all of them with the engine (RegisterDBProcedure and
// RegisterDBTableFunction); the engine calls this once before the first
// statement. A name already registered keeps its body, so a test may put its
// own procedure in place of one of these.
void RegisterInstallationProcedures();

// The bodies, one per procedure (also reachable through the lists above).
bool ProcGetFPByDate(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                     ProcedureResult& result, std::string& error);
bool FuncGetFPByDate(ProcedureContext& ctx, const std::vector<Variant>& args,
                     std::vector<Recordset::Row>& rows, std::string& error);
bool ProcHoldTable(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                   ProcedureResult& result, std::string& error);
bool ProcGetHoldTable(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, std::string& error);
bool ProcGetTableStatus(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                        ProcedureResult& result, std::string& error);
bool ProcGetReserveNo(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, std::string& error);
bool ProcGetAllotmentByDate(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                            ProcedureResult& result, std::string& error);
bool ProcWriteUserLog(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, std::string& error);
bool ProcGetWebBookingOutlet(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                             ProcedureResult& result, std::string& error);

// A reservation number: "yymmdd" of the date and a sequence of at least four
// digits ("2403150007").
std::string FormatReserveNo(const std::string& date, int64_t sequence);

// The columns fn_GetFPByDate returns.
extern const std::vector<std::string> kFPByDateColumns;

// One floor plan in force: its plan, its place in the day's order and its
// capacity. Shared by sp_CT_GetFPByDate, fn_GetFPByDate and the allotments.
struct PlanInForce {
    int64_t FPID = 0;
    int64_t SeqNo = 0;
    int64_t Capacity = 0;
};
// False with `error` set when a query fails; an empty list is a valid answer.
bool FloorPlansInForce(ProcedureContext& ctx, const std::string& date, int64_t mpOutletID,
                       int64_t outletID, std::vector<PlanInForce>& plans, std::string& error);
