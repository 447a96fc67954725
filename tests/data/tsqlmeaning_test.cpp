// Statements whose SQL Server answer differs from what SQLite would give
// for the same text: the layer must keep SQL Server's answer (trailing
// blanks, exact decimals, integer overflow, identities, aliases).
#include <algorithm>
#include <cstdlib>

#include "sql/sqldecimal.h"
#include "sql/sqlite/sqlitecollation.h"
#include "sqlfixture.h"

namespace {

struct Case {
    const char* name;
    const char* batch;
    const char* expected;  // the printed results, or "ERROR: " and a part of the message
};

const PgAnswers kOnPostgreSQL = {
    {"GROUP BY folds such values", "(1 row affected)\n\nN\n3\n"},
    {"ROUND keeps the scale", "A\tB\tC\n1.01\t20\t3\n"},
    {"ROUND can cut", "A\n1.99\n"},
    {"a quotient gets SQL Server's places and is cut",
     "A\tB\tC\n0.3333333333333333\t0.6666666666666666\t3.5\n"},
    {"money amounts add up exactly",
     "(1 row affected)\n\n(1 row affected)\n\nS\tD\tV\n0.3\t0\t0.15\n"},
    {"UPDATE by the alias of a joined table",
     "ERROR: Unsupported T-SQL construct: UPDATE ... FROM naming the updated table again"},
    {"UPDATE by an alias given with AS",
     "ERROR: Unsupported T-SQL construct: UPDATE ... FROM naming the updated table again"},
    {"UPDATE by the table name, aliased in FROM",
     "ERROR: Unsupported T-SQL construct: UPDATE ... FROM naming the updated table again"},
};

class TSqlMeaningTest : public SqlFixture {
  protected:
    void Check(const Case& c) {
        std::string out = Run(c.batch);
        std::string expected = Expected(kOnPostgreSQL, c.name, c.expected);
        EXPECT_TRUE(SameResult(out, expected)) << c.name << "\n"
                                               << out << "\nexpected:\n"
                                               << expected;
    }
};

const Case kTextCases[] = {
    {"trailing blanks do not count in =",
     "SELECT CASE WHEN 'abc ' = 'abc' THEN 1 ELSE 0 END AS A,"
     " CASE WHEN 'abc' <> 'ABC  ' THEN 1 ELSE 0 END AS B",
     "A\tB\n1\t0\n"},
    {"a column meets a literal with blanks", "SELECT ID FROM T WHERE Code = 'a1 '", "ID\n1\n"},
    {"IN and BETWEEN ignore them too",
     "SELECT ID FROM T WHERE Code IN ('b2  ', 'zz') OR Name BETWEEN 'alpha ' AND 'alpha '"
     " ORDER BY ID",
     "ID\n1\n2\n"},
    {"a stored value with blanks matches",
     "UPDATE T SET Code = 'B2   ' WHERE ID = 2 SELECT ID FROM T WHERE Code = 'b2'",
     "(1 row affected)\n\nID\n2\n"},
    {"LIKE keeps trailing blanks",
     "SELECT CASE WHEN N'abc ' LIKE N'abc' THEN 1 ELSE 0 END AS A,"
     " CASE WHEN N'abc' LIKE N'abc ' THEN 1 ELSE 0 END AS B",
     "A\tB\n0\t0\n"},
    {"variables compare the same way",
     "DECLARE @c NVARCHAR(10) SET @c = 'A1   ' SELECT ID FROM T WHERE Code = @c", "ID\n1\n"},
    {"GROUP BY folds such values",
     "UPDATE T SET Code = 'a1 ' WHERE ID = 2 SELECT COUNT(DISTINCT Code) AS N FROM T",
     "(1 row affected)\n\nN\n2\n"},
};

TEST_P(TSqlMeaningTest, TextComparesWithoutTrailingBlanks) {
    for (const Case& c : kTextCases)
        Check(c);
}

const Case kNumberCases[] = {
    {"decimal literals add exactly", "SELECT 0.1 + 0.2 AS A, 1.10 - 0.15 AS B",
     "A\tB\n0.3\t0.95\n"},
    {"CAST rounds half away from zero",
     "SELECT CAST(1.005 AS decimal(10,2)) AS A, CAST(-2.675 AS decimal(10,2)) AS B,"
     " CAST('1.005' AS money) AS C",
     "A\tB\tC\n1.01\t-2.68\t1.005\n"},
    {"ROUND keeps the scale", "SELECT ROUND(1.005, 2) AS A, ROUND(15, -1) AS B, ROUND(2.5, 0) AS C",
     "A\tB\tC\n1.010\t20\t3.0\n"},
    {"ROUND can cut", "SELECT ROUND(1.999, 2, 1) AS A", "A\n1.990\n"},
    {"a quotient gets SQL Server's places and is cut",
     "SELECT 1.0 / 3 AS A, 2.0 / 3 AS B, 7.0 / 2 AS C", "A\tB\tC\n0.333333\t0.666666\t3.500000\n"},
    {"a product keeps both scales", "SELECT 1.5 * 1.25 AS A, 0.1 * 3 AS B", "A\tB\n1.875\t0.3\n"},
    {"money amounts add up exactly",
     "UPDATE T SET Price = 0.1 WHERE ID = 1 UPDATE T SET Price = 0.2 WHERE ID = 2"
     " SELECT SUM(Price) AS S, SUM(Price) - 0.3 AS D, AVG(Price) AS V FROM T",
     "(1 row affected)\n\n(1 row affected)\n\nS\tD\tV\n0.3\t0.0000\t0.15\n"},
    {"decimal to text keeps the places",
     "SELECT CONVERT(varchar(20), CAST(1.5 AS decimal(10,2))) AS A, CAST(0.1 + 0.2 AS varchar) AS "
     "B",
     "A\tB\n1.50\t0.3\n"},
    {"a decimal column rounds what it is given",
     "CREATE TABLE #d (V DECIMAL(10,2)) INSERT INTO #d VALUES (1.005) SELECT V FROM #d",
     "(1 row affected)\n\nV\n1.01\n"},
    {"a decimal variable rounds too", "DECLARE @d DECIMAL(10,2) SET @d = 2.675 SELECT @d + 0 AS D",
     "D\n2.68\n"},
    {"a decimal past its precision overflows", "SELECT CAST(1000 AS decimal(3,0)) AS A",
     "ERROR: Arithmetic overflow error"},
    {"dividing a decimal by zero fails", "SELECT 1.5 / 0 AS A",
     "ERROR: Divide by zero error encountered."},
    {"float stays binary", "SELECT CAST(0.5 AS float) * 2 AS A", "A\n1\n"},
};

TEST_P(TSqlMeaningTest, DecimalsAreExact) {
    for (const Case& c : kNumberCases)
        Check(c);
}

const Case kIntegerCases[] = {
    {"INT plus one past its range", "SELECT CAST(2147483647 AS INT) + 1 AS A",
     "ERROR: Arithmetic overflow error converting expression to data type int."},
    {"CAST of a wide number to INT", "SELECT CAST(99999999999 AS INT) AS A",
     "ERROR: Arithmetic overflow error converting expression to data type int."},
    {"CAST of a wide text to INT", "SELECT CAST('99999999999' AS INT) AS A",
     "ERROR: Arithmetic overflow error converting expression to data type int."},
    {"an INT column times itself", "UPDATE T SET Qty = 50000 WHERE ID = 1 SELECT Qty * Qty FROM T",
     "ERROR: Arithmetic overflow error converting expression to data type int."},
    {"an INT variable refuses a wide value", "DECLARE @i INT SET @i = 99999999999",
     "ERROR: Arithmetic overflow error converting expression to data type int."},
    {"an INT column refuses a wide value", "UPDATE T SET Qty = 99999999999 WHERE ID = 1",
     "ERROR: Arithmetic overflow error converting expression to data type int."},
    {"BIGINT holds it", "SELECT CAST(2147483647 AS BIGINT) + 1 AS A, 2147483647 - 1 AS B",
     "A\tB\n2147483648\t2147483646\n"},
    {"a constant past INT is a DECIMAL", "SELECT 3000000000 * 2 AS A, 2147483648 + 1 AS B",
     "A\tB\n6000000000\t2147483649\n"},
    {"BIGINT past its own range",
     "SELECT CAST(9223372036854775807 AS BIGINT) + CAST(1 AS BIGINT) AS A",
     "ERROR: Arithmetic overflow error converting expression to data type bigint."},
    {"minus before CAST", "SELECT -CAST(-30 AS INTEGER) AS A, - -2 AS B", "A\tB\n30\t2\n"},
    {"NULL added to an aggregate keeps one row",
     "SELECT COUNT(*) + CAST(NULL AS INTEGER) AS A FROM T", "A\nNULL\n"},
};

TEST_P(TSqlMeaningTest, IntegersKeepTheirRange) {
    for (const Case& c : kIntegerCases)
        Check(c);
}

const Case kStatementCases[] = {
    {"UPDATE by the alias of a joined table",
     "UPDATE X SET Qty = 7 FROM T X INNER JOIN S ON S.TID = X.ID WHERE S.Val = 'z'"
     " SELECT ID, Qty FROM T WHERE Qty = 7",
     "(1 row affected)\n\nID\tQty\n2\t7\n"},
    {"UPDATE by an alias given with AS",
     "UPDATE X SET Qty = 8 FROM T AS X WHERE X.ID = 3 SELECT Qty FROM T WHERE ID = 3",
     "(1 row affected)\n\nQty\n8\n"},
    {"UPDATE by the table name, aliased in FROM",
     "UPDATE T SET Qty = 9 FROM T AS R WHERE R.ID = 1 SELECT Qty FROM T WHERE ID = 1",
     "(1 row affected)\n\nQty\n9\n"},
    {"a parenthesised join", "SELECT COUNT(*) AS N FROM (S CROSS JOIN T)", "N\n9\n"},
    {"a parenthesised join on the right",
     "SELECT COUNT(*) AS N FROM T LEFT JOIN (S INNER JOIN NoIdent N0 ON N0.K = S.Val)"
     " ON S.TID = T.ID",
     "N\n3\n"},
    {"an UPDATE target inside one is refused",
     "UPDATE T SET Qty = 1 FROM (T INNER JOIN S ON S.TID = T.ID)",
     "ERROR: Unsupported T-SQL construct"},
};

TEST_P(TSqlMeaningTest, StatementsTranslateAsWritten) {
    for (const Case& c : kStatementCases)
        Check(c);
}

// A batch is translated before it runs, so each table is made by a batch of its own.
TEST_P(TSqlMeaningTest, OnlyIdentityColumnsAreIdentities) {
    ASSERT_EQ(Run("CREATE TABLE t1(a1 INTEGER PRIMARY KEY, b1 INTEGER)"
                  " CREATE TABLE t2(a INT IDENTITY(1,1) PRIMARY KEY, b INT)"),
              "");
    Check({"INTEGER PRIMARY KEY alone is no identity",
           "INSERT INTO t1 VALUES(1, 1) SELECT a1, b1, @@IDENTITY AS I FROM t1",
           "(1 row affected)\n\na1\tb1\tI\n1\t1\tNULL\n"});
    Check({"an IDENTITY column is", "INSERT INTO t2 VALUES(5) SELECT a, b, @@IDENTITY AS I FROM t2",
           "(1 row affected)\n\na\tb\tI\n1\t5\t1\n"});
    Check({"the schema's identities stay", "INSERT INTO S VALUES (3, 'w') SELECT @@IDENTITY AS I",
           "(1 row affected)\n\nI\n4\n"});
}

TEST(SqlDecimal, RoundsAndDividesAsSqlServer) {
    struct {
        const char* value;
        int scale;
        bool cut;
        const char* expected;
    } kScales[] = {
        {"1.005", 2, false, "1.01"}, {"-1.005", 2, false, "-1.01"}, {"1.004999", 2, false, "1.00"},
        {"2.5", 0, false, "3"},      {"1.999", 2, true, "1.99"},    {"-0.0001", 2, false, "0.00"},
        {"1.5", 4, false, "1.5000"}, {"1e-3", 3, false, "0.001"},   {"12E2", 0, false, "1200"},
        {" 7 ", 1, false, "7.0"},
    };
    for (const auto& c : kScales) {
        auto d = SqlDecimal::Parse(c.value);
        ASSERT_TRUE(d.has_value()) << c.value;
        auto r = d->WithScale(c.scale, c.cut);
        ASSERT_TRUE(r.has_value()) << c.value;
        EXPECT_EQ(r->ToString(), c.expected) << c.value;
    }
    for (const char* bad :
         {"", "1.2.3", "abc", "1e", "--1", "123456789012345678901234567890123456789"})
        EXPECT_FALSE(SqlDecimal::Parse(bad).has_value()) << bad;

    auto dec = [](const char* s) { return *SqlDecimal::Parse(s); };
    EXPECT_EQ(SqlDecimal::Divide(dec("2.0"), dec("3"), 6)->ToString(), "0.666666");
    EXPECT_EQ(SqlDecimal::Divide(dec("-7"), dec("2"), 1)->ToString(), "-3.5");
    EXPECT_FALSE(SqlDecimal::Divide(dec("1"), dec("0.00"), 6).has_value());
    EXPECT_EQ(SqlDecimal::Modulo(dec("-7.5"), dec("2"))->ToString(), "-1.5");
    EXPECT_EQ(SqlDecimal::Multiply(dec("-0.5"), dec("0.25"))->ToString(), "-0.125");
    EXPECT_EQ(SqlDecimal::Add(dec("0.1"), dec("-0.35"))->ToString(), "-0.25");
    EXPECT_EQ(dec("1.005").RoundAt(2)->ToString(), "1.010");
    EXPECT_EQ(dec("-15").RoundAt(-1)->ToString(), "-20");
    // A stored double gives back the decimal it was made from.
    EXPECT_EQ(SqlDecimal::FromDouble(0.1)->ToString(), "0.1");
    EXPECT_EQ(SqlDecimal::FromDouble(1e-7)->ToString(), "0.0000001");
    EXPECT_FALSE(SqlDecimal::FromDouble(1e300).has_value());
    EXPECT_TRUE(dec("999.99").FitsPrecision(5, 2));
    EXPECT_FALSE(dec("999.995").FitsPrecision(5, 2));  // rounds to 1000.00
}

// Amounts travel as doubles: the digits read back must be the ones written,
// whichever way the conversion goes.
TEST(SqlDecimal, AmountsSurviveTheDoubleTheyAreStoredIn) {
    for (int64_t cents = -200000; cents <= 200000; cents += 7) {
        for (int scale : {0, 2, 4}) {
            std::string text = std::to_string(cents);
            if (scale > 0) {
                std::string digits = std::to_string(cents < 0 ? -cents : cents);
                digits.insert(0,
                              static_cast<std::size_t>(
                                  std::max(0, scale + 1 - static_cast<int>(digits.size()))),
                              '0');
                text = (cents < 0 ? "-" : "") + digits.substr(0, digits.size() - scale) + "." +
                       digits.substr(digits.size() - scale);
            }
            auto d = SqlDecimal::Parse(text);
            ASSERT_TRUE(d.has_value()) << text;
            double v = std::strtod(text.c_str(), nullptr);
            ASSERT_EQ(d->ToDouble(), v) << text;
            auto back = SqlDecimal::FromDouble(v);
            ASSERT_TRUE(back.has_value()) << text;
            ASSERT_EQ(back->WithScale(scale)->ToString(), text) << text;
        }
    }
    EXPECT_EQ(SqlDecimal::FromDouble(123456789.1234)->ToString(), "123456789.1234");
    EXPECT_EQ(SqlDecimal::FromDouble(0.12345)->ToString(), "0.12345");
    EXPECT_EQ(SqlDecimal::FromDouble(-0.0)->ToString(), "0");
    EXPECT_EQ(SqlDecimal::Parse("12345678901234567.25")->ToDouble(), 12345678901234567.25);
}

TEST(SqlDecimal, ResultShapesFollowSqlServer) {
    DecimalShape s = DecimalSum({5, 2}, {10, 4});
    EXPECT_EQ(s.precision, 11);
    EXPECT_EQ(s.scale, 4);
    s = DecimalProduct({10, 2}, {10, 2});
    EXPECT_EQ(s.precision, 21);
    EXPECT_EQ(s.scale, 4);
    s = DecimalQuotient({2, 1}, {1, 0});
    EXPECT_EQ(s.scale, 6);
    s = DecimalQuotient({38, 10}, {38, 10});  // held to 38 digits
    EXPECT_EQ(s.precision, 38);
    EXPECT_EQ(s.scale, 6);
}

TEST(TextCollation, IgnoresCaseAndTrailingBlanks) {
    struct {
        const char* a;
        const char* b;
        int sign;
    } kPairs[] = {
        {"abc", "ABC", 0},    {"abc ", "abc", 0}, {"A1", "a1   ", 0}, {"abc", "abd", -1},
        {"abc\t", "abc", -1}, {"abc", "ab", 1},   {"", "  ", 0},      {"_", "a", -1},
        {"b", "A  ", 1},      {"ab c", "ab", 1},
    };
    for (const auto& p : kPairs) {
        std::string a = p.a, b = p.b;
        int r = CompareTextNoCase(a.data(), a.size(), b.data(), b.size());
        int back = CompareTextNoCase(b.data(), b.size(), a.data(), a.size());
        EXPECT_EQ((r > 0) - (r < 0), p.sign) << "'" << a << "' vs '" << b << "'";
        EXPECT_EQ((back > 0) - (back < 0), -p.sign) << "'" << b << "' vs '" << a << "'";
    }
}

CT_INSTANTIATE_FOR_ENGINES(TSqlMeaningTest);

}  // namespace
