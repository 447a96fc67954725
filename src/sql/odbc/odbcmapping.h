#pragma once
// What an installation's connection string becomes for the ODBC driver
// manager: the SQL Server providers go to FreeTDS with their keys renamed,
// Provider=ODBC hands its keys to the named driver as they stand. Pure
// functions: no driver is asked anything here.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/dbengine.h"
#include "sql/dbprocedures.h"

struct OdbcLogin {
    std::string ConnectionString;  // for SQLDriverConnect
    int32_t LoginTimeout = 15;     // seconds
};

// SQLOLEDB, SQLNCLI, SQLNCLI10, SQLNCLI11, MSOLEDBSQL, MSOLEDBSQL19, with an
// optional version suffix (".1"), any case.
bool IsSqlServerProvider(const std::string& provider);

// Data Source HOST[\INSTANCE][,PORT] (also "tcp:" before it, "(local)" or
// "." for this host), Initial Catalog, User ID, Password, Application Name,
// Workstation ID and Connect Timeout, on the FreeTDS driver (another driver
// when the string names one with Driver=). Integrated security is refused:
// there is no Windows sign-in to pass on. False with `error` set.
bool MapSqlServerConnection(const ConnectionProperties& props, OdbcLogin& login,
                            std::string& error);

// Provider=ODBC: every key but Provider and Connect Timeout goes to the
// driver as it stands, except the ones the installation adds in ADO's words:
// User ID and Password become UID and PWD, Data Source (without Driver=)
// the DSN. Driver= or DSN= must be there.
bool MapOdbcConnection(const ConnectionProperties& props, OdbcLogin& login, std::string& error);

// The T-SQL batch that calls a procedure on SQL Server so that its return
// value and output parameters can be read: the procedure's own result sets
// come first, then one row holding the return value and each output
// parameter in argument order. Input values become ? markers, appended to
// `params` in order. False with `error` when the name is not a plain
// (optionally dotted or bracketed) name.
bool SqlServerCallBatch(const std::string& procedure, const std::vector<ProcedureArg>& args,
                        std::string& batch, std::vector<Variant>& params, std::string& error);

// The T-SQL type an output variable is declared with for an ADO type code
// and size (NVARCHAR(4000) when the code is unknown).
std::string SqlServerTypeOfAdo(int adoType, int32_t size);
