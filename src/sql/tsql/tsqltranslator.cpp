#include "sql/tsql/tsqltranslator.h"

#include <atomic>

#include "sql/tsql/tsqlparser.h"

namespace {

std::atomic<uint64_t> g_nextId{0};

template <typename Fn>
bool Guarded(SqlStatement& out, std::string& error, Fn&& fn) {
    try {
        out = SqlStatement{};
        out.Id = ++g_nextId;
        fn();
        return true;
    } catch (const TSqlError& e) {
        error = e.what();
    } catch (const std::exception& e) {
        error = std::string("Translation failed: ") + e.what();
    }
    return false;
}

}  // namespace

bool TranslateStatement(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                        SchemaSource& schema, const VariableTypes& vars,
                        const TranslateOptions& options, SqlStatement& out, std::string& error) {
    return Guarded(out, error, [&] {
        TSqlParser p(tokens, begin, end, schema, vars, out);
        p.Statement(options);
    });
}

bool TranslateCondition(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                        SchemaSource& schema, const VariableTypes& vars, SqlStatement& out,
                        std::string& error) {
    return Guarded(out, error, [&] {
        TSqlParser p(tokens, begin, end, schema, vars, out);
        p.Condition();
    });
}

bool TranslateExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                         SchemaSource& schema, const VariableTypes& vars, const TypeSpec& target,
                         SqlStatement& out, std::string& error) {
    return Guarded(out, error, [&] {
        TSqlParser p(tokens, begin, end, schema, vars, out);
        p.Expression(target);
    });
}
