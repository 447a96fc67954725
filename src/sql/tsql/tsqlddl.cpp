// CREATE, DROP and ALTER of the translator: tables with identity columns,
// indexes, and staging tables in tempdb or as #temporary tables.
#include "sql/tsql/tsqlparser.h"

#include "platform/textutil.h"

namespace {

bool IsNameTok(const Token& t) {
    return t.kind == TokKind::Name || t.kind == TokKind::QuotedName;
}

}  // namespace

std::string TSqlParser::ColumnDef(bool& identity, std::string& name) {
    if (!IsNameTok(Peek())) Fail(Near());
    name = Take().text;
    if (!IsNameTok(Peek())) Fail(Near());
    std::string type = Take().text;
    if (AcceptOp("(")) {
        type += "(";
        while (!AtEnd() && !Op(")"))
            type += Take().text;
        ExpectOp(")");
        type += ")";
    }
    TypeSpec typeSpec = ParseTypeName(type);
    if (typeSpec.type == SqlType::Unknown) Unsupported("data type " + type);
    identity = false;
    std::string opts, collate;
    while (!AtEnd() && !Op(",") && !Op(")")) {
        if (AcceptWord("AUTOINCREMENT")) {
            identity = true;  // SQLite's spelling of an identity, as in the installation schema
        } else if (AcceptWord("IDENTITY")) {
            identity = true;
            if (AcceptOp("(")) {
                while (!AtEnd() && !Op(")"))
                    Take();
                ExpectOp(")");
            }
        } else if (Word("NOT") && Word("NULL", 1)) {
            pos_ += 2;
            opts += " NOT NULL";
        } else if (AcceptWord("NULL")) {
        } else if (Word("PRIMARY") && Word("KEY", 1)) {
            pos_ += 2;
            AcceptWord("CLUSTERED") || AcceptWord("NONCLUSTERED");
            opts += " PRIMARY KEY";
        } else if (AcceptWord("UNIQUE")) {
            AcceptWord("CLUSTERED") || AcceptWord("NONCLUSTERED");
            opts += " UNIQUE";
        } else if (AcceptWord("DEFAULT")) {
            opts += " DEFAULT (" + Coerce(Expr(nullptr), typeSpec).sql + ")";
        } else if (AcceptWord("COLLATE")) {
            if (!IsNameTok(Peek())) Fail(Near());
            collate = " COLLATE " + Collation(Take().text);
        } else if (AcceptWord("CONSTRAINT")) {
            if (!IsNameTok(Peek())) Fail(Near());
            Take();
        } else if (AcceptWord("CHECK")) {
            ExpectOp("(");
            opts += " CHECK (" + Expr(nullptr).sql + ")";
            ExpectOp(")");
        } else {
            Unsupported("column option " + Peek().text);
        }
    }
    if (identity) return QuoteName(name) + " INTEGER PRIMARY KEY AUTOINCREMENT";
    // Text compares ignoring case unless the column says otherwise.
    if (typeSpec.type == SqlType::Text && collate.empty()) collate = " COLLATE NOCASE";
    return QuoteName(name) + " " + type + opts + collate;
}

void TSqlParser::Create() {
    out_.Kind = StatementKind::Ddl;
    ExpectWord("CREATE");
    if (AcceptWord("TABLE")) {
        std::string schema, name;
        std::string table = TableName(schema, name);
        if (!name.empty() && name[0] == '#') table = "temp." + QuoteName(name);
        ExpectOp("(");
        std::vector<std::string> defs;
        std::string identityCol;
        std::vector<std::pair<std::string, std::string>> keys;  // PRIMARY KEY (col) text, column
        do {
            if (Word("CONSTRAINT") || Word("PRIMARY") || Word("UNIQUE") || Word("FOREIGN") ||
                Word("CHECK")) {
                if (AcceptWord("CONSTRAINT")) Take();
                std::string text, single;
                int cols = 0;
                bool primary = Word("PRIMARY");
                int depth = 0;
                while (!AtEnd() && !(depth == 0 && (Op(",") || Op(")")))) {
                    const Token& t = Take();
                    if (t.IsOp("(")) ++depth;
                    if (t.IsOp(")")) --depth;
                    if (t.IsWord("CLUSTERED") || t.IsWord("NONCLUSTERED")) continue;
                    std::string piece = t.kind == TokKind::QuotedName ? QuoteName(t.text)
                                        : t.kind == TokKind::String   ? QuoteLiteral(t.text)
                                                                      : t.text;
                    if (depth == 1 && IsNameTok(t) && !t.IsWord("ASC") && !t.IsWord("DESC")) {
                        ++cols;
                        single = t.text;
                    }
                    text += (text.empty() || t.IsOp(")") || t.IsOp(",") || t.IsOp("(") ? "" : " ") +
                            piece;
                }
                if (primary && cols == 1)
                    keys.emplace_back(text, single);
                else
                    defs.push_back(text);
            } else {
                bool identity = false;
                std::string col;
                defs.push_back(ColumnDef(identity, col));
                if (identity) identityCol = col;
            }
        } while (AcceptOp(","));
        ExpectOp(")");
        // A primary key on the identity column is already part of its definition.
        for (const auto& [text, col] : keys)
            if (LowerName(col) != LowerName(identityCol)) defs.push_back(text);
        if (AcceptWord("ON")) Take();
        if (AcceptWord("TEXTIMAGE_ON")) Take();
        std::string body;
        for (const auto& d : defs)
            body += (body.empty() ? "" : ", ") + d;
        out_.Sql = "CREATE TABLE " + table + " (" + body + ")";
        return;
    }
    bool unique = AcceptWord("UNIQUE");
    AcceptWord("CLUSTERED") || AcceptWord("NONCLUSTERED");
    if (AcceptWord("INDEX")) {
        if (!IsNameTok(Peek())) Fail(Near());
        std::string index = Take().text;
        ExpectWord("ON");
        std::string schema, name;
        std::string table = TableName(schema, name);
        ExpectOp("(");
        std::string cols;
        do {
            if (!IsNameTok(Peek())) Fail(Near());
            std::string c = QuoteName(Take().text);
            if (AcceptWord("DESC"))
                c += " DESC";
            else
                AcceptWord("ASC");
            cols += (cols.empty() ? "" : ", ") + c;
        } while (AcceptOp(","));
        ExpectOp(")");
        std::string prefix = schema.empty() ? "" : schema + ".";
        out_.Sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + prefix +
                   QuoteName(index) + " ON " + QuoteName(name) + " (" + cols + ")";
        return;
    }
    Unsupported("CREATE " + UpperAscii(Peek().text));
}

void TSqlParser::Drop() {
    out_.Kind = StatementKind::Ddl;
    ExpectWord("DROP");
    if (AcceptWord("TABLE")) {
        bool ifExists = Word("IF") && Word("EXISTS", 1);
        if (ifExists) pos_ += 2;
        std::string schema, name;
        std::string table = TableName(schema, name);
        if (Op(",")) Unsupported("DROP TABLE of several tables");
        out_.Sql = std::string("DROP TABLE ") + (ifExists ? "IF EXISTS " : "") + table;
        return;
    }
    if (AcceptWord("INDEX")) {
        std::string first, second;
        if (!IsNameTok(Peek())) Fail(Near());
        first = Take().text;
        if (AcceptOp(".")) {
            if (!IsNameTok(Peek())) Fail(Near());
            first = Take().text;  // table.index names the index second
        } else if (AcceptWord("ON")) {
            std::string schema, name;
            TableName(schema, name);
        }
        out_.Sql = "DROP INDEX " + QuoteName(first);
        return;
    }
    Unsupported("DROP " + UpperAscii(Peek().text));
}

void TSqlParser::Alter() {
    out_.Kind = StatementKind::Ddl;
    ExpectWord("ALTER");
    ExpectWord("TABLE");
    std::string schema, name;
    std::string table = TableName(schema, name);
    if (!AcceptWord("ADD")) Unsupported("ALTER TABLE " + UpperAscii(Peek().text));
    bool identity = false;
    std::string col;
    std::string def = ColumnDef(identity, col);
    if (identity) Unsupported("ALTER TABLE ... ADD of an identity column");
    if (Op(",")) Unsupported("ALTER TABLE ... ADD of several columns");
    out_.Sql = "ALTER TABLE " + table + " ADD COLUMN " + def;
}
