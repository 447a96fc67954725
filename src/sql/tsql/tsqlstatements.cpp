// Queries and statements of the translator.
#include <atomic>

#include "platform/textutil.h"
#include "sql/dbprocedures.h"
#include "sql/tsql/tsqlparser.h"

namespace {

bool IsNameTok(const Token& t) {
    return t.kind == TokKind::Name || t.kind == TokKind::QuotedName;
}

std::atomic<uint64_t> g_tempCounter{0};

}  // namespace

void TSqlParser::Statement(const TranslateOptions& options) {
    if (Word("SELECT") || (Op("(") && Word("SELECT", 1))) {
        wantRowid_ = options.Updatable;
        Select(options);
    } else if (Word("INSERT")) {
        Insert();
    } else if (Word("UPDATE")) {
        Update();
    } else if (Word("DELETE")) {
        Delete();
    } else if (Word("CREATE")) {
        Create();
    } else if (Word("DROP")) {
        Drop();
    } else if (Word("ALTER")) {
        Alter();
    } else if (Word("TRUNCATE")) {
        Truncate();
    } else if (Word("WITH")) {
        Unsupported("WITH (common table expression)");
    } else if (Word("MERGE")) {
        Unsupported("MERGE");
    } else {
        Fail(Near());
    }
    if (Word("OPTION")) Unsupported("OPTION (query hints)");
    if (!AtEnd()) Fail(Near());
}

void TSqlParser::Condition() {
    Frag c = Expr(nullptr);
    if (!AtEnd()) Fail(Near());
    out_.Kind = StatementKind::Expression;
    out_.Sql = "SELECT CASE WHEN " + c.sql + " THEN 1 ELSE 0 END";
}

void TSqlParser::Expression(const TypeSpec& target) {
    Frag e = Expr(nullptr);
    if (!AtEnd()) Fail(Near());
    out_.Kind = StatementKind::Expression;
    out_.Sql = "SELECT " + e.sql;
    out_.ExprType = e.typeSpec;
    (void)target;
}

// ---- queries ---------------------------------------------------------------

QueryText TSqlParser::Query(const Scope* outer, const std::vector<TypeSpec>* coerce,
                            bool topLevel) {
    bool compound = FindAtDepth0({"UNION", "EXCEPT", "INTERSECT"}) != end_;
    std::string limit, order;
    QueryText first = QueryTerm(outer, coerce, topLevel, compound, limit, order);
    if (!compound) {
        first.sql += order + (limit.empty() ? "" : " LIMIT " + limit);
        return first;
    }
    auto wrap = [](const std::string& sql, const std::string& lim) {
        return lim.empty() ? sql : "SELECT * FROM (" + sql + " LIMIT " + lim + ")";
    };
    std::string sql = wrap(first.sql, limit);
    while (Word("UNION") || Word("EXCEPT") || Word("INTERSECT")) {
        std::string op = UpperAscii(Take().text);
        if (AcceptWord("ALL")) op += " ALL";
        if (!order.empty()) Fail(Near());
        std::string lim;
        QueryText next = QueryTerm(outer, coerce, false, true, lim, order);
        sql += " " + op + " " + wrap(next.sql, lim);
    }
    first.sql = sql + order;
    return first;
}

QueryText TSqlParser::QueryTerm(const Scope* outer, const std::vector<TypeSpec>* coerce,
                                bool topLevel, bool compound, std::string& limit,
                                std::string& order) {
    QueryText q;
    if (AcceptOp("(")) {
        QueryText inner = Query(outer, coerce, false);
        ExpectOp(")");
        q.columns = inner.columns;
        q.sql = "SELECT * FROM (" + inner.sql + ")";
        return q;
    }
    ExpectWord("SELECT");
    bool distinct = AcceptWord("DISTINCT");
    AcceptWord("ALL");
    if (AcceptWord("TOP")) {
        if (AcceptOp("(")) {
            limit = Expr(nullptr).sql;
            ExpectOp(")");
        } else if (Peek().kind == TokKind::Number) {
            limit = Take().text;
        } else {
            Fail(Near());
        }
        if (Word("PERCENT")) Unsupported("TOP ... PERCENT");
        if (Word("WITH") && Word("TIES", 1)) Unsupported("TOP ... WITH TIES");
    }
    std::size_t listBegin = pos_;
    std::size_t listEnd = FindAtDepth0({"INTO", "FROM", "WHERE", "GROUP", "HAVING", "ORDER",
                                        "UNION", "EXCEPT", "INTERSECT", "OPTION", "FOR"});
    pos_ = listEnd;
    Scope scope;
    scope.outer = outer;
    if (AcceptWord("INTO")) {
        if (!topLevel) Unsupported("SELECT ... INTO inside another statement");
        std::string schema, name;
        TableName(schema, name);
        out_.SelectInto = true;
        out_.TargetSchema = schema;
        out_.TargetTable = name;
    }
    std::string from;
    std::vector<FromItem> items;
    if (AcceptWord("FROM")) {
        items = FromList(scope);
        from = " FROM " + RenderFrom(items);
        if (topLevel) out_.HasFrom = true;
    }
    std::size_t afterFrom = pos_;
    std::size_t savedEnd = end_;
    pos_ = listBegin;
    end_ = listEnd;
    std::string list = SelectList(scope, coerce, topLevel, q);
    if (!AtEnd()) Fail(Near());
    end_ = savedEnd;
    pos_ = afterFrom;

    std::string tail;
    if (AcceptWord("WHERE")) tail += " WHERE " + Expr(&scope).sql;
    bool grouped = false;
    if (Word("GROUP") && Word("BY", 1)) {
        pos_ += 2;
        grouped = true;
        std::string groups;
        do {
            groups += (groups.empty() ? "" : ", ") + Expr(&scope).sql;
        } while (AcceptOp(","));
        tail += " GROUP BY " + groups;
    }
    if (AcceptWord("HAVING")) tail += " HAVING " + Expr(&scope).sql;
    if (Word("ORDER") && Word("BY", 1)) order = OrderBy(&scope);

    std::string head = distinct ? "SELECT DISTINCT " : "SELECT ";
    if (topLevel && wantRowid_ && !compound && !distinct && !grouped && items.size() == 1 &&
        items[0].isTable && out_.AssignTargets.empty()) {
        // Updatable recordsets write rows back by their row id.
        out_.UpdatableRowid = true;
        out_.BaseTable = items[0].source.table;
        head += QuoteName(items[0].source.alias) + ".rowid AS \"__ct_rowid\", ";
    }
    q.sql = head + list + from + tail;
    return q;
}

std::string TSqlParser::SelectList(Scope& scope, const std::vector<TypeSpec>* coerce, bool topLevel,
                                   QueryText& q) {
    std::string text;
    std::size_t index = 0;
    bool assigning = false, retrieving = false;
    do {
        std::string piece;
        OutColumn col;
        if (AcceptOp("*")) {
            q.hasStar = true;
            retrieving = true;
            piece = "*";
            for (const Source& src : scope.sources) {
                if (src.info != nullptr)
                    for (const auto& c : src.info->Columns)
                        q.columns.push_back(OutColumn{c.Name, c.Type, true});
                for (const auto& [n, s] : src.columns)
                    q.columns.push_back(OutColumn{n, s, true});
            }
        } else if (IsNameTok(Peek()) && Op(".", 1) && Op("*", 2)) {
            std::string alias = Take().text;
            pos_ += 2;
            q.hasStar = true;
            retrieving = true;
            piece = QuoteName(alias) + ".*";
            for (const Source& src : scope.sources) {
                if (src.alias != LowerName(alias)) continue;
                if (src.info != nullptr)
                    for (const auto& c : src.info->Columns)
                        q.columns.push_back(OutColumn{c.Name, c.Type, true});
                for (const auto& [n, s] : src.columns)
                    q.columns.push_back(OutColumn{n, s, true});
            }
        } else if (Peek().kind == TokKind::Variable && Op("=", 1)) {
            if (!topLevel) Unsupported("variable assignment inside a subquery");
            std::string var = LowerName(Take().text.substr(1));
            Take();
            auto it = vars_.find(var);
            if (it == vars_.end()) Fail("Must declare the scalar variable \"@" + var + "\".");
            std::size_t exprBegin = pos_;
            Frag e = Expr(&scope);
            for (std::size_t i = exprBegin; i < pos_; ++i)
                if (toks_[i].kind == TokKind::Variable && LowerName(toks_[i].text.substr(1)) == var)
                    Unsupported("SELECT @" + var + " = ... reading @" + var +
                                " (row-by-row accumulation)");
            out_.AssignTargets.push_back(var);
            out_.AssignTypes.push_back(it->second);
            assigning = true;
            piece = e.sql;
            col.typeSpec = e.typeSpec;
        } else {
            std::string alias;
            bool aliased = false;
            if ((IsNameTok(Peek()) || Peek().kind == TokKind::String) && Op("=", 1)) {
                alias = Take().text;
                Take();
                aliased = true;
            }
            Frag e = Expr(&scope);
            if (!aliased) {
                if (AcceptWord("AS")) {
                    const Token& a = Take();
                    if (!IsNameTok(a) && a.kind != TokKind::String) Fail(Near());
                    alias = a.text;
                    aliased = true;
                } else if (Peek().kind == TokKind::String || Peek().kind == TokKind::QuotedName ||
                           (Peek().kind == TokKind::Name && !IsReserved(Peek()))) {
                    alias = Take().text;
                    aliased = true;
                }
            }
            if (coerce != nullptr && index < coerce->size()) e = Coerce(e, (*coerce)[index]);
            retrieving = true;
            col.name = aliased ? alias : (e.isColumn ? e.name : "");
            col.typeSpec = e.typeSpec;
            col.plainColumn = e.isColumn && !aliased;
            piece = e.sql;
            if (aliased)
                piece += " AS " + QuoteName(alias);
            else if (topLevel && !e.isColumn)
                piece += " AS \"\"";  // SQL Server leaves such a column unnamed
            if (topLevel && !e.isColumn && e.Type() != SqlType::Unknown &&
                e.Type() != SqlType::Null)
                out_.ColumnHints.emplace_back(LowerName(col.name), e.typeSpec);
        }
        if (piece != "*" && piece.find(".*") == std::string::npos) q.columns.push_back(col);
        text += (text.empty() ? "" : ", ") + piece;
        ++index;
    } while (AcceptOp(","));
    if (assigning && retrieving)
        Fail(
            "A SELECT statement that assigns a value to a variable must not be combined with "
            "data-retrieval operations.");
    return text;
}

std::string TSqlParser::OrderBy(const Scope* scope) {
    ExpectWord("ORDER");
    ExpectWord("BY");
    std::string list;
    do {
        std::string item = Expr(scope).sql;
        if (AcceptWord("DESC"))
            item += " DESC";
        else
            AcceptWord("ASC");
        list += (list.empty() ? "" : ", ") + item;
    } while (AcceptOp(","));
    return " ORDER BY " + list;
}

std::string TSqlParser::Alias() {
    if (AcceptWord("AS")) {
        const Token& a = Take();
        if (!IsNameTok(a) && a.kind != TokKind::String) Fail(Near());
        return a.text;
    }
    if (Peek().kind == TokKind::QuotedName || (Peek().kind == TokKind::Name && !IsReserved(Peek())))
        return Take().text;
    return "";
}

void TSqlParser::SkipTableHints() {
    // WITH (NOLOCK) and the older (NOLOCK): locking hints mean nothing here.
    if (Word("WITH") && Op("(", 1)) pos_ += 1;
    if (Op("(") && Peek(1).kind == TokKind::Name &&
        (Word("NOLOCK", 1) || Word("READUNCOMMITTED", 1) || Word("ROWLOCK", 1) ||
         Word("UPDLOCK", 1) || Word("HOLDLOCK", 1) || Word("TABLOCK", 1) || Word("READPAST", 1))) {
        while (!AtEnd() && !Op(")"))
            Take();
        ExpectOp(")");
    }
}

std::string TSqlParser::TableName(std::string& schemaOut, std::string& nameOut) {
    std::vector<std::string> parts;
    if (!IsNameTok(Peek()) || (Peek().kind == TokKind::Name && IsReserved(Peek()))) Fail(Near());
    parts.push_back(Take().text);
    while (Op(".")) {
        Take();
        if (Op(".")) {
            parts.push_back("");
            continue;
        }
        if (!IsNameTok(Peek())) Fail(Near());
        parts.push_back(Take().text);
    }
    schemaOut.clear();
    nameOut = parts.back();
    if (parts.size() == 2) {
        if (LowerName(parts[0]) != "dbo") Unsupported("schema " + parts[0]);
    } else if (parts.size() == 3) {
        if (LowerName(parts[0]) != "tempdb")
            Unsupported("database-qualified name " + parts[0] + "." + parts[1] + "." + parts[2]);
        schemaOut = "tempdb";
        out_.UsesTempdb = true;
    } else if (parts.size() > 3) {
        Unsupported("server-qualified name");
    }
    return schemaOut.empty() ? QuoteName(nameOut) : schemaOut + "." + QuoteName(nameOut);
}

FromItem TSqlParser::TablePrimary(Scope& scope) {
    FromItem it;
    Source src;
    if (Op("(") && !Word("SELECT", 1)) {
        // A parenthesised join: its tables join the scope one by one.
        Take();
        std::vector<FromItem> inner = FromList(scope);
        ExpectOp(")");
        if (!Alias().empty()) Unsupported("alias of a parenthesized join");
        it.primary = "(" + RenderFrom(inner) + ")";
        for (const FromItem& i : inner) {
            it.grouped.push_back(i.source);
            it.grouped.insert(it.grouped.end(), i.grouped.begin(), i.grouped.end());
        }
        return it;
    }
    if (Op("(")) {
        Take();
        QueryText q = Query(scope.outer, nullptr, false);
        ExpectOp(")");
        std::string alias = Alias();
        if (alias.empty()) Fail("A derived table needs an alias.");
        it.primary = "(" + q.sql + ") AS " + QuoteName(alias);
        src.alias = LowerName(alias);
        for (const OutColumn& c : q.columns)
            src.columns.emplace_back(c.name, c.typeSpec);
    } else {
        std::string schema, name;
        std::string text = TableName(schema, name);
        if (Op("(") && !(Peek(1).kind == TokKind::Name && Word("NOLOCK", 1))) {
            const DBTableFunction* fn = FindDBTableFunction(name);
            if (fn == nullptr) Fail("Invalid object name '" + name + "'.");
            TableFunctionCall call;
            call.Function = name;
            call.TempName = NewTempName();
            auto savedParams = std::move(out_.Params);
            auto savedIndex = std::move(paramIndex_);
            out_.Params.clear();
            paramIndex_.clear();
            std::vector<Frag> args = Args(nullptr);
            std::string list;
            for (const Frag& a : args)
                list += (list.empty() ? "" : ", ") + a.sql;
            call.ArgsSql = "SELECT " + (list.empty() ? std::string("NULL") : list);
            call.ArgParams = std::move(out_.Params);
            out_.Params = std::move(savedParams);
            paramIndex_ = std::move(savedIndex);
            it.primary = "temp." + QuoteName(call.TempName);
            for (const auto& c : fn->Columns)
                src.columns.emplace_back(c, TypeSpec{});
            out_.TableFunctions.push_back(std::move(call));
            std::string alias = Alias();
            if (alias.empty()) alias = name;
            it.primary += " AS " + QuoteName(alias);
            src.alias = LowerName(alias);
        } else {
            it.isTable = true;
            it.tableText = text;
            it.primary = text;
            src.info = schema_.FindTable(schema, name);
            src.table = LowerName(name);
            SkipTableHints();
            std::string alias = Alias();
            if (!alias.empty()) it.primary += " AS " + QuoteName(alias);
            src.alias = LowerName(alias.empty() ? name : alias);
        }
    }
    SkipTableHints();
    scope.sources.push_back(src);
    it.source = src;
    return it;
}

std::vector<FromItem> TSqlParser::FromList(Scope& scope) {
    std::vector<FromItem> items;
    items.push_back(TablePrimary(scope));
    while (true) {
        std::string join;
        if (AcceptOp(",")) {
            join = ",";
        } else if (AcceptWord("JOIN")) {
            join = "JOIN";
        } else if (Word("INNER") && Word("JOIN", 1)) {
            pos_ += 2;
            join = "JOIN";
        } else if (Word("LEFT") || Word("RIGHT") || Word("FULL")) {
            join = UpperAscii(Take().text) + " JOIN";
            AcceptWord("OUTER");
            ExpectWord("JOIN");
        } else if (Word("CROSS") && Word("JOIN", 1)) {
            pos_ += 2;
            join = "CROSS JOIN";
        } else if ((Word("CROSS") || Word("OUTER")) && Word("APPLY", 1)) {
            Unsupported(UpperAscii(Peek().text) + " APPLY");
        } else {
            break;
        }
        FromItem it = TablePrimary(scope);
        it.join = join;
        if (join != "," && join != "CROSS JOIN") {
            ExpectWord("ON");
            it.on = Expr(&scope).sql;
        }
        items.push_back(std::move(it));
    }
    return items;
}

std::string TSqlParser::RenderFrom(const std::vector<FromItem>& items) const {
    std::string r;
    for (const FromItem& it : items) {
        if (it.join.empty()) {
            r += it.primary;
        } else if (it.join == ",") {
            r += ", " + it.primary;
        } else {
            r += " " + it.join + " " + it.primary + (it.on.empty() ? "" : " ON " + it.on);
        }
    }
    return r;
}

void TSqlParser::RefuseGroupedTarget(const std::vector<FromItem>& items, const std::string& target,
                                     const std::string& statement) const {
    for (const FromItem& it : items)
        for (const Source& src : it.grouped)
            if (src.alias == target || src.table == target)
                Unsupported(statement + " ... FROM with the target inside a parenthesized join");
}

std::string TSqlParser::NewTempName() {
    return "ct_fn_" + std::to_string(++g_tempCounter);
}

// ---- statements ------------------------------------------------------------

void TSqlParser::Select(const TranslateOptions& options) {
    (void)options;
    out_.Kind = StatementKind::Select;
    QueryText q = Query(nullptr, nullptr, true);
    out_.Sql = q.sql;
}

void TSqlParser::Insert() {
    out_.Kind = StatementKind::Insert;
    ExpectWord("INSERT");
    AcceptWord("INTO");
    std::string schema, name;
    std::string table = TableName(schema, name);
    out_.TargetSchema = schema;
    out_.TargetTable = name;
    SkipTableHints();
    const TableInfo* info = schema_.FindTable(schema, name);
    std::vector<std::string> cols;
    if (Op("(") && !Word("SELECT", 1)) {
        Take();
        do {
            if (!IsNameTok(Peek())) Fail(Near());
            cols.push_back(Take().text);
        } while (AcceptOp(","));
        ExpectOp(")");
    } else if (info != nullptr) {
        // SQL Server fills the identity itself when no column list is given.
        for (std::size_t i = 0; i < info->Columns.size(); ++i)
            if (static_cast<int>(i) != info->IdentityColumn) cols.push_back(info->Columns[i].Name);
    }
    std::vector<TypeSpec> typeSpecs;
    std::string colList;
    for (const auto& c : cols) {
        const ColumnInfo* ci = info != nullptr ? info->Find(c) : nullptr;
        typeSpecs.push_back(ci != nullptr ? ci->Type : TypeSpec{});
        colList += (colList.empty() ? "" : ", ") + QuoteName(c);
    }
    std::string head = "INSERT INTO " + table + (cols.empty() ? "" : " (" + colList + ")");
    if (AcceptWord("VALUES")) {
        std::string rows;
        do {
            ExpectOp("(");
            std::string row;
            std::size_t i = 0;
            do {
                Frag v = Expr(nullptr);
                if (i < typeSpecs.size()) v = Coerce(v, typeSpecs[i]);
                row += (row.empty() ? "" : ", ") + v.sql;
                ++i;
            } while (AcceptOp(","));
            ExpectOp(")");
            if (!cols.empty() && i != cols.size())
                Fail(
                    "The number of values in the VALUES clause must match the number of "
                    "columns in the INSERT statement.");
            rows += (rows.empty() ? "(" : ", (") + row + ")";
        } while (AcceptOp(","));
        out_.Sql = head + " VALUES " + rows;
    } else if (Word("SELECT") || Op("(")) {
        QueryText q = Query(nullptr, &typeSpecs, false);
        out_.Sql = head + " " + q.sql;
    } else if (Word("DEFAULT") && Word("VALUES", 1)) {
        pos_ += 2;
        out_.Sql = "INSERT INTO " + table + " DEFAULT VALUES";
    } else if (Word("EXEC") || Word("EXECUTE")) {
        Unsupported("INSERT ... EXEC");
    } else {
        Fail(Near());
    }
}

void TSqlParser::Update() {
    out_.Kind = StatementKind::Update;
    ExpectWord("UPDATE");
    if (Word("TOP")) Unsupported("UPDATE TOP");
    std::string schema, name;
    std::string target = TableName(schema, name);
    SkipTableHints();
    ExpectWord("SET");
    std::size_t setBegin = pos_;
    std::size_t setEnd = FindAtDepth0({"FROM", "WHERE", "OPTION"});
    pos_ = setEnd;
    std::string lname = LowerName(name);
    Scope scope;
    std::vector<FromItem> items;
    int targetIdx = -1;
    if (AcceptWord("FROM")) {
        items = FromList(scope);
        RefuseGroupedTarget(items, lname, "UPDATE");
        for (std::size_t i = 0; i < items.size() && targetIdx < 0; ++i)
            if (items[i].source.alias == lname) targetIdx = static_cast<int>(i);
        if (targetIdx < 0) {
            int count = 0;
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (items[i].isTable && items[i].source.table == lname) {
                    targetIdx = static_cast<int>(i);
                    ++count;
                }
            }
            if (count > 1) Fail("The table '" + name + "' is ambiguous.");
        }
    }
    const TableInfo* info = targetIdx >= 0 ? items[static_cast<std::size_t>(targetIdx)].source.info
                                           : schema_.FindTable(schema, name);
    if (targetIdx < 0) {
        Source t;
        t.alias = t.table = lname;
        t.info = info;
        scope.sources.insert(scope.sources.begin(), t);
    }
    std::string where;
    if (AcceptWord("WHERE")) where = Expr(&scope).sql;
    std::size_t stmtEnd = pos_;

    std::size_t savedEnd = end_;
    pos_ = setBegin;
    end_ = setEnd;
    std::string sets;
    do {
        if (Peek().kind == TokKind::Variable) Unsupported("SET @variable = ... in UPDATE");
        std::string col;
        do {
            if (!IsNameTok(Peek())) Fail(Near());
            col = Take().text;
        } while (AcceptOp("."));
        if (!Op("=")) Unsupported("compound assignment in UPDATE ... SET");
        Take();
        Frag v = Expr(&scope);
        const ColumnInfo* ci = info != nullptr ? info->Find(col) : nullptr;
        if (ci != nullptr) v = Coerce(v, ci->Type);
        sets += (sets.empty() ? "" : ", ") + QuoteName(col) + " = " + v.sql;
    } while (AcceptOp(","));
    if (!AtEnd()) Fail(Near());
    end_ = savedEnd;
    pos_ = stmtEnd;

    if (targetIdx < 0) {
        out_.Sql = "UPDATE " + target + " SET " + sets +
                   (items.empty() ? "" : " FROM " + RenderFrom(items)) +
                   (where.empty() ? "" : " WHERE " + where);
        return;
    }
    // The target leaves the FROM list: SQLite joins it to the rest by the
    // WHERE clause, which takes the inner joins' ON conditions.
    std::vector<std::string> conds;
    std::string rest;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const FromItem& it = items[i];
        if (!it.join.empty() && it.join != "," && it.join != "JOIN" && it.join != "CROSS JOIN")
            Unsupported("UPDATE ... FROM with an outer join");
        if (!it.on.empty()) conds.push_back(it.on);
        if (static_cast<int>(i) == targetIdx) continue;
        rest += (rest.empty() ? "" : ", ") + it.primary;
    }
    if (!where.empty()) conds.push_back(where);
    std::string cond;
    for (const auto& c : conds)
        cond += (cond.empty() ? "" : " AND ") + c;
    const FromItem& t = items[static_cast<std::size_t>(targetIdx)];
    out_.Sql = "UPDATE " + t.tableText +
               (t.source.alias != t.source.table ? " AS " + QuoteName(t.source.alias) : "") +
               " SET " + sets + (rest.empty() ? "" : " FROM " + rest) +
               (cond.empty() ? "" : " WHERE " + cond);
}

void TSqlParser::Delete() {
    out_.Kind = StatementKind::Delete;
    ExpectWord("DELETE");
    if (Word("TOP")) Unsupported("DELETE TOP");
    AcceptWord("FROM");
    std::string schema, name;
    std::string target = TableName(schema, name);
    SkipTableHints();
    std::string lname = LowerName(name);
    Scope scope;
    if (AcceptWord("FROM")) {
        std::vector<FromItem> items = FromList(scope);
        RefuseGroupedTarget(items, lname, "DELETE");
        int idx = -1;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].source.alias == lname ||
                (idx < 0 && items[i].isTable && items[i].source.table == lname))
                idx = static_cast<int>(i);
        }
        if (idx < 0) Unsupported("DELETE ... FROM without the target in the FROM list");
        std::string where = AcceptWord("WHERE") ? " WHERE " + Expr(&scope).sql : "";
        const FromItem& t = items[static_cast<std::size_t>(idx)];
        out_.Sql = "DELETE FROM " + t.tableText + " WHERE rowid IN (SELECT " +
                   QuoteName(t.source.alias) + ".rowid FROM " + RenderFrom(items) + where + ")";
        return;
    }
    Source t;
    t.alias = t.table = lname;
    t.info = schema_.FindTable(schema, name);
    scope.sources.push_back(t);
    std::string where = AcceptWord("WHERE") ? " WHERE " + Expr(&scope).sql : "";
    out_.Sql = "DELETE FROM " + target + where;
}

void TSqlParser::Truncate() {
    ExpectWord("TRUNCATE");
    ExpectWord("TABLE");
    std::string schema, name;
    std::string target = TableName(schema, name);
    out_.Kind = StatementKind::Ddl;
    out_.Sql = "DELETE FROM " + target;
}
