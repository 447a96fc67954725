// A failing statement in a batch, on every engine: constraint violations and
// RAISERROR end only their statement outside a transaction (@@ERROR tells the
// next statement), everything else ends the batch, and the caller always
// gets the first error. PostgreSQL cases skip without a server.
#include <string>

#include "gtest/gtest.h"
#include "sql/sqldb.h"
#include "support/sqlengines.h"
#include "support/testdb.h"

namespace {

struct Case {
    const char* name;
    const char* batch;
    const char* sqliteError;  // part of the error; "" when the batch succeeds
    const char* pgError;
    const char* log;   // rows of L as step:error
    const char* keys;  // rows of K as id/qty
};

const char* const kDuplicate[] = {"UNIQUE constraint failed", "duplicate key"};
const char* const kNotNull[] = {"NOT NULL constraint failed", "null value in column"};
const char* const kCheck[] = {"CHECK constraint failed", "check constraint"};

const Case kCases[] = {
    {"duplicate key ends its statement only",
     "INSERT INTO L VALUES (1, @@ERROR) INSERT INTO K VALUES (1, 'x', 1) "
     "INSERT INTO L VALUES (3, @@ERROR) INSERT INTO K VALUES (5, 'y', 2)",
     kDuplicate[0], kDuplicate[1], "1:0,3:2627", "1/4,2/6,5/2"},
    {"a multi-row insert with one duplicate writes no row",
     "INSERT INTO K VALUES (7, 'a', 1), (1, 'b', 1) INSERT INTO L VALUES (2, @@ERROR)",
     kDuplicate[0], kDuplicate[1], "2:2627", "1/4,2/6"},
    {"NULL into NOT NULL", "INSERT INTO K VALUES (5, NULL, 1) INSERT INTO L VALUES (2, @@ERROR)",
     kNotNull[0], kNotNull[1], "2:515", "1/4,2/6"},
    {"CHECK, with @@ROWCOUNT 0 after the failure",
     "UPDATE K SET Qty = Qty - 5 INSERT INTO L VALUES (@@ROWCOUNT + 2, @@ERROR)", kCheck[0],
     kCheck[1], "2:547", "1/4,2/6"},
    {"IF resets @@ERROR",
     "INSERT INTO K VALUES (2, 'x', 1) IF @@ERROR <> 0 INSERT INTO L VALUES (2, @@ERROR)",
     kDuplicate[0], kDuplicate[1], "2:0", "1/4,2/6"},
    {"the first error is the one reported",
     "INSERT INTO K VALUES (1, 'x', 1) INSERT INTO K VALUES (5, NULL, 1) "
     "INSERT INTO L VALUES (3, @@ERROR)",
     kDuplicate[0], kDuplicate[1], "3:515", "1/4,2/6"},
    {"RAISERROR goes on", "RAISERROR('stop me', 16, 1) INSERT INTO L VALUES (2, @@ERROR)",
     "stop me", "stop me", "2:50000", "1/4,2/6"},
    {"RAISERROR goes on inside a transaction, which commits",
     "BEGIN TRAN INSERT INTO L VALUES (1, 0) RAISERROR('stop me', 16, 1) "
     "INSERT INTO L VALUES (3, @@ERROR) COMMIT",
     "stop me", "stop me", "1:0,3:50000", "1/4,2/6"},
    {"a conversion error ends the batch",
     "INSERT INTO L VALUES (1, 0) INSERT INTO L VALUES (2, CAST('x' AS INT)) "
     "INSERT INTO L VALUES (3, 0)",
     "Conversion failed", "Conversion failed", "1:0", "1/4,2/6"},
    {"inside a transaction the batch ends and rolls back",
     "BEGIN TRAN INSERT INTO L VALUES (1, 0) INSERT INTO K VALUES (1, 'x', 1) "
     "INSERT INTO L VALUES (3, 0) COMMIT",
     kDuplicate[0], kDuplicate[1], "", "1/4,2/6"},
    {"a failure before COMMIT outside it keeps the committed work",
     "INSERT INTO K VALUES (1, 'x', 1) BEGIN TRAN INSERT INTO L VALUES (2, @@ERROR) COMMIT",
     kDuplicate[0], kDuplicate[1], "2:0", "1/4,2/6"},
    {"a batch without errors", "INSERT INTO L VALUES (1, @@ERROR)", "", "", "1:0", "1/4,2/6"},
};

std::string Rows(SQLDB& db, const std::string& sql, const char* sep) {
    auto rs = db.RunSQLReturnRS(sql);
    if (!rs) return "ERROR: " + db.ErrDescription();
    std::string out;
    for (const auto& row : rs->Rows())
        out += (out.empty() ? "" : ",") + row[0].ToText() + sep + row[1].ToText();
    return out;
}

void RunCases(SQLDB& db, bool pg) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db.RunSQLNoReturn(
            "DELETE FROM L DELETE FROM K INSERT INTO K VALUES (1, 'a', 4), (2, 'b', 6)"))
            << db.ErrDescription();
        std::string error = pg ? c.pgError : c.sqliteError;
        bool ok = db.RunSQLNoReturn(c.batch);
        EXPECT_EQ(ok, error.empty()) << db.ErrDescription();
        if (!error.empty()) {
            EXPECT_NE(db.ErrDescription().find(error), std::string::npos) << db.ErrDescription();
        }
        EXPECT_EQ(Rows(db, "SELECT Step, Err FROM L ORDER BY Step", ":"), c.log);
        EXPECT_EQ(Rows(db, "SELECT ID, Qty FROM K ORDER BY ID", "/"), c.keys);
    }
}

const char* const kTables =
    "CREATE TABLE K (ID INT PRIMARY KEY, Name NVARCHAR(20) NOT NULL, Qty INT CHECK (Qty >= 0)) "
    "CREATE TABLE L (Step INT, Err INT)";

class BatchErrors : public ::testing::TestWithParam<TestEngine> {};

TEST_P(BatchErrors, GoOnWhereTSqlDoes) {
    const TestEngine engine = GetParam();
    TempDir dir;
    std::string path = dir.File("t.db"), pgName;
    SQLDB db;
    if (IsPg(engine)) {
        CT_SKIP_WITHOUT_PG();
        pgName = PgUniqueName("ct_errors");
        ASSERT_EQ(PgCreateDatabase(pgName), "");
        db.SetConnectionString(PgConnectionString(pgName, engine));
    } else {
        CreateTestDatabase(path);
        db.SetConnectionString("Provider=SQLite;Data Source=" + path);
    }
    db.SetKeepConnection(true);
    ASSERT_TRUE(db.Connect()) << db.ErrDescription();
    ASSERT_TRUE(db.RunSQLNoReturn(kTables)) << db.ErrDescription();
    RunCases(db, IsPg(engine));
    db.Disconnect();
    if (!pgName.empty()) PgDropDatabase(pgName);
}

CT_INSTANTIATE_FOR_ENGINES(BatchErrors);

}  // namespace
