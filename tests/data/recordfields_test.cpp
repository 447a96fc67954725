// The record classes outside the venue share the missing-row check and the
// names kept in three languages; each keeps its own wording and logging.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "messaging/kivserver.h"
#include "messaging/posservers.h"
#include "registry/client.h"
#include "registry/dbserver.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"
#include "support/tempdir.h"
#include "users/user.h"

namespace {

struct Outcome {
    bool ok = false;
    int32_t number = 0;
    std::string description;
    std::string names;  // the names the record reports, "|"-separated
};

template <typename T, typename Names>
Outcome ReadWith(const Recordset* rs, Names names) {
    T record;
    const bool ok = record.AddFromRS(rs);
    return {ok, record.ErrNumber(), record.ErrDescription(), ok ? names(record) : ""};
}

struct RecordCase {
    const char* cls;
    const char* eofText;
    bool logs;  // the failure goes to the day log as its message text
    std::function<Outcome(const Recordset*)> read;
    const char* names;
};

const std::vector<RecordCase> kCases = {
    {"DBServer", "oRS is EOF", false,
     [](const Recordset* rs) {
         return ReadWith<DBServer>(rs, [](const DBServer& r) {
             return r.NameL1() + "|" + r.Name(2) + "|" + r.NameL3() + "|" + r.Name(4);
         });
     },
     "N1|N2|N3|"},
    {"Client", "oRS is EOF", true,
     [](const Recordset* rs) {
         return ReadWith<Client>(rs, [](const Client& r) {
             return r.NameL1() + "|" + r.Name(2) + "|" + r.NameL3() + "|" + r.Name(0);
         });
     },
     "N1|N2|N3|"},
    {"User", "oRS is EOF", true,
     [](const Recordset* rs) {
         return ReadWith<User>(rs, [](const User& r) {
             return r.UserNameL1() + "|" + r.UserName(3) + "|" + r.RoleName(2) + "|" +
                    r.RoleName(4);
         });
     },
     "U1|U3|R2|"},
    {"KIVServer", "oRS is EOF", false,
     [](const Recordset* rs) {
         return ReadWith<KIVServer>(rs, [](const KIVServer& r) {
             return r.NameL1() + "|" + r.NameL2() + "|" + r.NameL3();
         });
     },
     "N1|N2|N3"},
    {"POSServer", "oRS is at the end", false,
     [](const Recordset* rs) {
         return ReadWith<POSServer>(rs, [](const POSServer& r) {
             return r.NameL1() + "|" + r.NameL2() + "|" + r.NameL3();
         });
     },
     "N1|N2|N3"},
};

class RecordFieldsTest : public ::testing::Test {
  protected:
    void SetUp() override { UseInstallRoot(dir.Path()); }
    void TearDown() override { g_oConfig.reset(); }
    std::string DayLog() const { return ReadTextFile(DayLogPath(DateTime::Now())); }

    TempDir dir;
};

TEST_F(RecordFieldsTest, MissingRowsAndNamesPerClass) {
    const std::vector<std::string> columns = {"NameL1",     "NameL2",     "NameL3",
                                              "UserNameL1", "UserNameL2", "UserNameL3",
                                              "RoleNameL1", "RoleNameL2", "RoleNameL3"};
    const Recordset row(FieldList(columns),
                        {{Variant("N1"), Variant("N2"), Variant("N3"), Variant("U1"), Variant("U2"),
                          Variant("U3"), Variant("R1"), Variant("R2"), Variant("R3")}});
    const Recordset empty(FieldList(columns), {});
    for (const RecordCase& c : kCases) {
        SCOPED_TRACE(c.cls);
        const std::string prefix = std::string(c.cls) + ":AddFromRS:";
        const std::string logPrefix = "[" + std::string(c.cls) + ":AddFromRS]:0:,";

        Outcome none = c.read(nullptr);
        EXPECT_FALSE(none.ok);
        EXPECT_EQ(none.number, kErrRSNothing);
        EXPECT_EQ(none.description, prefix + "oRS is nothing");

        Outcome eof = c.read(&empty);
        EXPECT_FALSE(eof.ok);
        EXPECT_EQ(eof.number, kErrRSEOF);
        EXPECT_EQ(eof.description, prefix + c.eofText);
        const std::string log = DayLog();
        EXPECT_EQ(log.find(logPrefix + "oRS is nothing\r\n") != std::string::npos, c.logs);
        EXPECT_EQ(log.find(logPrefix + c.eofText + "\r\n") != std::string::npos, c.logs);
        EXPECT_EQ(log.find(logPrefix + "90"), std::string::npos);

        Outcome read = c.read(&row);
        EXPECT_TRUE(read.ok);
        EXPECT_EQ(read.names, c.names);
    }
}

// A failed query leaves the database's error on the caller and logs the statement.
TEST_F(RecordFieldsTest, CheckQueryReportsTheDatabaseFailure) {
    SQLDB db;
    db.SetConnectionString("Provider=SQLite;Data Source=" + dir.File("check.db"));
    const std::string sql = "SELECT * FROM tbl_Missing";
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    ASSERT_EQ(rs, nullptr);
    ErrorState err;
    EXPECT_FALSE(CheckQuery(err, db, rs.get(), sql, "Outlets", "Load"));
    EXPECT_EQ(err.ErrNumber(), db.ErrNumber());
    EXPECT_EQ(err.ErrDescription(), "Outlets:Load:" + db.ErrDescription());
    EXPECT_NE(DayLog().find("[Outlets:Load]:0:," + db.ErrDescription() + "; SQL=" + sql),
              std::string::npos);

    const Recordset empty;
    ErrorState fine;
    EXPECT_TRUE(CheckQuery(fine, db, &empty, sql, "Outlets", "Load"));
    EXPECT_EQ(fine.ErrNumber(), 0);
}

}  // namespace
