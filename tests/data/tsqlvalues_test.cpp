// Values as SQL Server reads, converts and computes them: date-time texts,
// CONVERT styles, declared types, the run-time functions and assignments to
// typed variables.
#include "sql/sqlite/sqlitebatchrunner.h"
#include "sql/sqltypes.h"
#include "sqlfixture.h"

namespace {

TEST(SqlTypes, DateTextsReadAsSqlServerReadsThem) {
    struct {
        const char* text;
        SqlType kind;
        const char* stored;  // nullptr: not a date
    } kCases[] = {
        {"2024-03-01", SqlType::DateTime, "2024-03-01 00:00:00"},
        {"2024-3-1", SqlType::Date, "2024-03-01"},
        {"2024/3/1 8:05", SqlType::DateTime, "2024-03-01 08:05:00"},
        {"20240301", SqlType::Date, "2024-03-01"},
        {"2024-03-01T10:15:30.25", SqlType::DateTime, "2024-03-01 10:15:30.250"},
        {" 7:5 ", SqlType::Time, "07:05:00"},
        {"12:30 AM", SqlType::Time, "00:30:00"},
        {"1:15PM", SqlType::DateTime, "1900-01-01 13:15:00"},
        {"2024-03-01 23:59:59.999", SqlType::Time, "23:59:59.999"},
        {"", SqlType::DateTime, "1900-01-01 00:00:00"},
        {"2024-02-30", SqlType::Date, nullptr},
        {"13:00 PM", SqlType::Time, nullptr},
        {"24:00", SqlType::Time, nullptr},
        {"soon", SqlType::Date, nullptr},
        {"2024-03-01 10", SqlType::DateTime, nullptr},
    };
    for (const auto& c : kCases) {
        auto n = NormalizeDateText(c.text, c.kind);
        if (c.stored == nullptr) {
            EXPECT_FALSE(n.has_value()) << c.text;
        } else {
            EXPECT_EQ(n.value_or("<none>"), c.stored) << c.text;
        }
    }
}

TEST(SqlTypes, ConvertStylesFormatDateTimes) {
    DateTime d{2024, 3, 1, 9, 5, 7, 40};
    struct {
        int style;
        const char* text;
    } kStyles[] = {{0, "Mar  1 2024  9:05AM"},
                   {100, "Mar  1 2024  9:05AM"},
                   {101, "03/01/2024"},
                   {1, "03/01/24"},
                   {103, "01/03/2024"},
                   {104, "01.03.2024"},
                   {105, "01-03-2024"},
                   {108, "09:05:07"},
                   {110, "03-01-2024"},
                   {111, "2024/03/01"},
                   {112, "20240301"},
                   {120, "2024-03-01 09:05:07"},
                   {121, "2024-03-01 09:05:07.040"},
                   {23, "2024-03-01"},
                   {126, "2024-03-01T09:05:07.040"}};
    for (const auto& s : kStyles)
        EXPECT_EQ(FormatDateStyle(d, s.style).value_or("<none>"), s.text) << s.style;
    EXPECT_EQ(FormatDateStyle(DateTime{2024, 3, 1, 12, 0, 0, 0}, 0).value(), "Mar  1 2024 12:00PM");
    EXPECT_FALSE(FormatDateStyle(d, 7).has_value());
}

TEST(SqlTypes, DeclaredTypesGiveAdoCodes) {
    struct {
        const char* decl;
        SqlType type;
        int ado;
    } kTypes[] = {{"int", SqlType::Int, 3},
                  {"INTEGER", SqlType::Int, 3},
                  {"bigint", SqlType::BigInt, 20},
                  {"BIT", SqlType::Bit, 11},
                  {"decimal(10, 2)", SqlType::Float, 5},
                  {"MONEY", SqlType::Money, 6},
                  {"datetime", SqlType::DateTime, 135},
                  {"DATE", SqlType::Date, 135},
                  {"TIME", SqlType::Time, 135},
                  {"varchar(20)", SqlType::Text, 200},
                  {"CHAR(1)", SqlType::Text, 200},
                  {"NVARCHAR(50)", SqlType::Text, 202},
                  {"TEXT COLLATE NOCASE", SqlType::Text, 202},
                  {"NTEXT", SqlType::Text, 203},
                  {"nvarchar(max)", SqlType::Text, 203},
                  {"IMAGE", SqlType::Binary, 205},
                  {"BLOB", SqlType::Binary, 205},
                  {"", SqlType::Unknown, 202}};
    for (const auto& t : kTypes) {
        TypeSpec s = ParseTypeName(t.decl);
        EXPECT_EQ(s.type, t.type) << t.decl;
        EXPECT_EQ(AdoTypeOf(s), t.ado) << t.decl;
    }
    EXPECT_EQ(ParseTypeName("decimal(10, 2)").scale, 2);
    EXPECT_EQ(ParseTypeName("nchar(8)").length, 8);
}

TEST(SqlTypes, AssignmentsConvertToTheDeclaredType) {
    auto typeSpec = [](const char* decl) { return ParseTypeName(decl); };
    struct {
        Variant value;
        const char* decl;
        const char* text;  // nullptr: the conversion fails
    } kCases[] = {
        {Variant("30"), "INT", "30"},
        {Variant(" 7 "), "INT", "7"},
        {Variant(2.9), "INT", "2"},
        {Variant(-2.9), "INT", "-2"},
        {Variant("12.5"), "INT", nullptr},
        {Variant("x"), "INT", nullptr},
        {Variant("abcdef"), "VARCHAR(3)", "abc"},
        {Variant(12), "NVARCHAR(10)", "12"},
        {Variant(DateTime{2024, 3, 1, 10, 0, 0, 0}), "VARCHAR(30)", "Mar  1 2024 10:00AM"},
        {Variant("2024-3-1 18:30"), "TIME", "1900-01-01 18:30:00"},
        {Variant("2024-3-1 18:30"), "DATE", "2024-03-01 00:00:00"},
        {Variant("never"), "DATETIME", nullptr},
        {Variant("TRUE"), "BIT", "True"},
        {Variant(5), "BIT", "True"},
        {Variant("1.25"), "FLOAT", "1.25"},
    };
    for (const auto& c : kCases) {
        Variant out;
        std::string error;
        bool ok = ConvertForAssignment(c.value, TypeSpec{}, typeSpec(c.decl), out, error);
        if (c.text == nullptr) {
            EXPECT_FALSE(ok) << c.value.ToText() << " -> " << c.decl;
            EXPECT_NE(error.find("Conversion failed"), std::string::npos) << error;
        } else {
            ASSERT_TRUE(ok) << c.value.ToText() << " -> " << c.decl << ": " << error;
            EXPECT_EQ(out.ToText(), c.text) << c.value.ToText() << " -> " << c.decl;
        }
    }
}

class TSqlFunctionTest : public SqlFixture {};

const PgAnswers kOnPostgreSQL = {
    {"Convert(varchar(10), Convert(money, 2.5))", "V\n2.5000\n"},
    {"Round(2.345, 2)", "V\n2.35\n"},
    {"Round(-2.5, 0)", "V\n-3\n"},
    {"SELECT DateDiff(ms, '1900-01-01', '2024-01-01') AS V",
     "Unsupported T-SQL construct: DATEDIFF(ms"},
    {"DateAdd(month, 1, '2024-01-31')", "ERROR: Conversion failed"},
    {"Len(NewID())", "ERROR: function rtrim(uuid) does not exist"},
};

TEST_P(TSqlFunctionTest, FunctionsComputeAsSqlServer) {
    struct {
        const char* expr;
        const char* value;
    } kCases[] = {
        {"Substring('abcdef', -1, 4)", "ab"},
        {"Substring('abcdef', 5, 10)", "ef"},
        {"Left(N'日本語テキスト', 2)", "日本"},
        {"Len(N'日本 ')", "2"},
        {"CharIndex('c', 'abcabc', 4)", "6"},
        {"Replicate('ab', 3)", "ababab"},
        {"Reverse('abc')", "cba"},
        {"Convert(char(5), 'ab') + '|'", "ab   |"},
        {"Convert(varchar(3), 12345)", "123"},
        {"Convert(varchar(10), Convert(money, 2.5))", "2.50"},
        {"Cast('42' AS INT) + 1", "43"},
        {"Cast(2.75 AS INT)", "2"},
        {"Cast(-2.75 AS INT) * 10 + Cast(Cast(2.9 AS FLOAT) AS SMALLINT)", "-18"},
        {"Cast(Cast(7 AS BIGINT) / 2 AS INT)", "3"},
        {"Cast('2024-3-1' AS DATETIME)", "2024-03-01 00:00:00"},
        {"Round(2.345, 2)", "2.350"},  // the literal's three places stay
        {"Round(-2.5, 0)", "-3.0"},
        {"Ceiling(2.1)", "3"},
        {"Floor(-2.1)", "-3"},
        {"DateDiff(month, '2024-01-31', '2024-02-01')", "1"},
        {"DateDiff(year, '2023-12-31 23:59', '2024-01-01')", "1"},
        {"DateDiff(week, '2024-03-02', '2024-03-03')", "1"},  // Saturday to Sunday
        {"DateDiff(hh, '10:59', '11:01')", "1"},
        {"DatePart(weekday, '2024-03-03')", "1"},
        {"DatePart(week, '2024-01-06')", "1"},
        {"DatePart(week, '2024-01-07')", "2"},
        {"DatePart(week, '2023-12-31')", "53"},
        {"DatePart(weekday, '2024-03-09') * 10 + DatePart(q, '2024-08-01')", "73"},
        {"DatePart(dy, '2024-03-01')", "61"},
        {"DatePart(hh, '19:30') * 100 + DatePart(mi, '2024-03-01 10:15:30')", "1915"},
        {"DatePart(ss, '2024-03-01 10:15:30.250') * 1000 + DatePart(ms, '2024-03-01 "
         "10:15:30.250')",
         "30250"},
        {"DateDiff(wk, '2024-01-01', '2024-02-01') * 10 + DateDiff(ww, '2024-03-03', '2024-03-02')",
         "39"},
        {"CharIndex('B', 'aBcabc') * 10 + CharIndex('x', 'abc')", "20"},
        {"IsNull(Replicate('ab', -1), 'null')", "null"},
        {"Replace('a.Bxb.', 'B.', '+')", "a.Bx+"},
        {"DateAdd(month, 1, '2024-01-31')", "2024-02-29 00:00:00"},
        {"Year('2024-03-01') * 100 + Month('2024-03-01')", "202403"},
        {"IsNumeric(' 12 ') + IsNumeric('1e') + IsNumeric('x')", "1"},
        {"Coalesce(NULL, NULL, 'z')", "z"},
        {"NullIf('a', 'A')", "NULL"},
        {"IIF(2 > 1, 'yes', 'no')", "yes"},
        {"Len(NewID())", "36"},
        {"Concat('a', NULL, 1)", "a1"},
    };
    for (const auto& c : kCases) {
        std::string out = Run(std::string("SELECT ") + c.expr + " AS V");
        std::string expected = Expected(kOnPostgreSQL, c.expr, std::string("V\n") + c.value + "\n");
        EXPECT_TRUE(SameResult(out, expected)) << c.expr << "\n" << out;
    }
}

TEST_P(TSqlFunctionTest, RuntimeErrorsCarrySqlServerMessages) {
    struct {
        const char* batch;
        const char* message;
    } kCases[] = {
        {"SELECT 1 / Qty AS V FROM T WHERE ID = 1 SELECT 1 / (Qty - Qty) AS V FROM T WHERE ID = 1",
         "Divide by zero error encountered."},
        {"SELECT Cast('12.5' AS INT) AS V",
         "Conversion failed when converting the varchar value '12.5'"},
        {"SELECT Name + 1 AS V FROM T WHERE ID = 1",
         "Conversion failed when converting the varchar value 'Alpha'"},
        {"SELECT Left('abc', -1) AS V", "Invalid length parameter passed to the left function."},
        {"SELECT DateDiff(ms, '1900-01-01', '2024-01-01') AS V",
         "The datediff function resulted in an overflow."},
        {"RAISERROR('Stop here', 16, 1) SELECT 1 AS V", "Stop here"},
        {"DECLARE @n INT SET @n = 'abc'", "Conversion failed"},
        {"UPDATE T SET DT = '7:61' WHERE ID = 1",
         "Conversion failed when converting date and/or time from character string."},
        {"INSERT INTO T (Name, DT) SELECT Name, Code FROM T WHERE ID = 1",
         "Conversion failed when converting date and/or time from character string."},
    };
    for (const auto& c : kCases) {
        std::string out = Run(c.batch);
        std::string expected = Expected(kOnPostgreSQL, c.batch, c.message);
        EXPECT_NE(out.find(expected), std::string::npos) << c.batch << "\n" << out;
    }
}

CT_INSTANTIATE_FOR_ENGINES(TSqlFunctionTest);

}  // namespace
