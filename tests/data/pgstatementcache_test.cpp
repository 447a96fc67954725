// Whole-number literals of PostgreSQL text become typed parameters, except
// where the server needs a constant; texts the scanner cannot follow are
// left alone. No server needed.
#include <libpq-fe.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "sql/postgres/pgstatementcache.h"

namespace {

TEST(PgParameterize, TurnsWholeNumbersIntoTypedParameters) {
    struct Case {
        const char* sql;
        const char* expected;  // "" when the text must be left alone
        std::vector<std::string> literals;
        std::vector<Oid> types;
    };
    const Case cases[] = {
        {"SELECT a FROM t WHERE id = 17", "SELECT a FROM t WHERE id = $2", {"17"}, {23}},
        {"SELECT $1::int + 2", "SELECT $1::int + $2", {"2"}, {23}},
        {"SELECT 3000000000, 99999999999999999999",
         "SELECT $2, $3",
         {"3000000000", "99999999999999999999"},
         {20, 1700}},
        {"SELECT 1.5, .5, 1e3, 2E-3", "SELECT 1.5, .5, 1e3, 2E-3", {}, {}},
        {"SELECT 'a 1', E'\\' 2', \"c 3\", t1.x FROM t1",
         "SELECT 'a 1', E'\\' 2', \"c 3\", t1.x FROM t1",
         {},
         {}},
        {"SELECT a FROM t ORDER BY 1 DESC, 2 LIMIT 5",
         "SELECT a FROM t ORDER BY 1 DESC, 2 LIMIT $2",
         {"5"},
         {23}},
        {"SELECT (SELECT b FROM u ORDER BY 1 LIMIT 1) FROM t WHERE c = 4",
         "SELECT (SELECT b FROM u ORDER BY 1 LIMIT $2) FROM t WHERE c = $3",
         {"1", "4"},
         {23, 23}},
        {"SELECT CAST(a AS varchar(10)), b::numeric(19, 4), CAST(c AS timestamp(3)) FROM t",
         "SELECT CAST(a AS varchar(10)), b::numeric(19, 4), CAST(c AS timestamp(3)) FROM t",
         {},
         {}},
        {"SELECT row_number() OVER (ORDER BY a ROWS 2 PRECEDING), round(b, 2) FROM t",
         "SELECT row_number() OVER (ORDER BY a ROWS 2 PRECEDING), round(b, $2) FROM t",
         {"2"},
         {23}},
        {"SELECT a % 2 FROM t GROUP BY a % 2", "", {}, {}},
        {"SELECT DISTINCT a + 1 FROM t ORDER BY a + 1", "", {}, {}},
        {"SELECT $$ 1 $$", "", {}, {}},
        {"SELECT 1 -- 2", "", {}, {}},
        {"SELECT 'open", "", {}, {}},
        {"SELECT (1", "", {}, {}},
    };
    for (const Case& c : cases) {
        std::string out;
        std::vector<std::string> literals;
        std::vector<Oid> types;
        bool ok = ParameterizeLiterals(c.sql, 2, out, literals, types);
        if (*c.expected == '\0') {
            EXPECT_FALSE(ok) << c.sql;
            continue;
        }
        ASSERT_TRUE(ok) << c.sql;
        EXPECT_EQ(out, c.expected) << c.sql;
        EXPECT_EQ(literals, c.literals) << c.sql;
        EXPECT_EQ(types, c.types) << c.sql;
    }
}

}  // namespace
