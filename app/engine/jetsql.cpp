#include "jetsql.h"

#include "connection.h"
#include "dberror.h"
#include "dialect.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace engine {

QString escapeQuotes(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

namespace {

enum class Tok { Ident, Quoted, String, Number, Op, End };

struct Token {
    Tok kind = Tok::End;
    QString text;  // identifier, string content, number or operator
    bool is(const char* word) const
    {
        return (kind == Tok::Ident || kind == Tok::Op) && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
};

[[noreturn]] void syntaxError(const QString& what)
{
    throw DbError(ErrSyntax, QStringLiteral("Lỗi cú pháp trong câu lệnh SQL: %1").arg(what));
}

std::vector<Token> tokenize(const QString& sql)
{
    std::vector<Token> out;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto isIdentStart = [](QChar c) { return c.isLetter() || c == QLatin1Char('_'); };
    auto isIdentPart = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$'); };
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        if (c == QLatin1Char('[')) {
            const qsizetype end = sql.indexOf(QLatin1Char(']'), i + 1);
            if (end < 0) syntaxError(QStringLiteral("thiếu dấu ']'"));
            t = {Tok::Quoted, sql.mid(i + 1, end - i - 1)};
            i = end + 1;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            QString value;
            qsizetype j = i + 1;
            for (;;) {
                if (j >= n) syntaxError(QStringLiteral("chuỗi chưa đóng dấu nháy"));
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        value += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                value += sql[j++];
            }
            t = {Tok::String, value};
            i = j + 1;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && sql[i + 1].isDigit())) {
            qsizetype j = i;
            while (j < n && (sql[j].isDigit() || sql[j] == QLatin1Char('.'))) ++j;
            if (j < n && (sql[j] == QLatin1Char('e') || sql[j] == QLatin1Char('E')) && j + 1 < n &&
                (sql[j + 1].isDigit() || ((sql[j + 1] == QLatin1Char('+') || sql[j + 1] == QLatin1Char('-')) &&
                                          j + 2 < n && sql[j + 2].isDigit()))) {
                j += 2;
                while (j < n && sql[j].isDigit()) ++j;
            }
            t = {Tok::Number, sql.mid(i, j - i)};
            i = j;
        } else if (isIdentStart(c)) {
            qsizetype j = i + 1;
            while (j < n && isIdentPart(sql[j])) ++j;
            t = {Tok::Ident, sql.mid(i, j - i)};
            i = j;
        } else {
            static const char* twoChar[] = {"<>", "<=", ">=", "!=", "||", "=="};
            t.kind = Tok::Op;
            t.text = QString(c);
            for (const char* op : twoChar)
                if (i + 1 < n && c == QLatin1Char(op[0]) && sql[i + 1] == QLatin1Char(op[1]))
                    t.text = QLatin1String(op);
            static const QString single = QStringLiteral("=<>+-*/(),.;&%!");
            if (t.text.size() == 1 && !single.contains(c))
                syntaxError(QStringLiteral("ký tự không hợp lệ '%1'").arg(c));
            i += t.text.size();
        }
        out.push_back(t);
    }
    out.push_back(Token{});
    return out;
}

bool isKeyword(const Token& t)
{
    static const char* words[] = {"AND", "OR", "NOT", "LIKE", "BETWEEN", "IN", "IS", "NULL", "SELECT", "FROM",
                                  "WHERE", "ORDER", "BY", "GROUP", "HAVING", "DISTINCT", "AS", "ASC", "DESC",
                                  "SET", "VALUES", "INTO", "UPDATE", "DELETE", "INSERT", "JOIN", "ON", "LEFT",
                                  "RIGHT", "INNER", "OUTER", "UNION", "ALL", "EXISTS", "CASE", "WHEN", "THEN",
                                  "ELSE", "END", "TRUE", "FALSE", "WITH", "TABLE", "INDEX", "CREATE", "DROP",
                                  "PRIMARY", "UNIQUE", "LIMIT", "TOP", "CROSS", "KEY", "DEFAULT", "CONSTRAINT",
                                  "AUTOINCREMENT", "COLLATE", "CHECK", "REFERENCES"};
    if (t.kind != Tok::Ident) return false;
    for (const char* w : words)
        if (t.is(w)) return true;
    return false;
}

// Ends a FROM list or a table reference.
bool endsTableList(const Token& t)
{
    static const char* words[] = {"WHERE", "ORDER", "GROUP", "HAVING", "UNION", "ON", "SET", "SELECT", "VALUES",
                                  "LEFT", "RIGHT", "INNER", "JOIN", "CROSS", "LIMIT", "WITH"};
    if (t.kind == Tok::End || (t.kind == Tok::Op && (t.text == QLatin1String(")") || t.text == QLatin1String(";"))))
        return true;
    for (const char* w : words)
        if (t.is(w)) return true;
    return false;
}

// One piece of the output, kept apart so that comparisons can be rewritten afterwards.
struct Piece {
    enum Kind { Plain, Column, Number, String, Op, Word } kind = Plain;
    std::string text;
    bool textColumn = false;
    bool nullAsEmpty = false;  // "&": a Null operand counts as an empty text
};

class Translator {
public:
    Translator(SchemaContext& ctx, QString defaultSchema, QStringList* aliases)
        : ctx_(ctx), schema_(std::move(defaultSchema)), aliases_(aliases)
    {
    }

    Translation statement(const QString& sql)
    {
        toks_ = tokenize(sql);
        pos_ = 0;
        // A trailing ";" (as saved queries are often stored) ends the statement; anything after a
        // ";" would be a second statement, which is refused rather than dropped or run.
        while (toks_.size() > 1 && toks_[toks_.size() - 2].is(";")) toks_.erase(toks_.end() - 2);
        refuseSemicolon(QStringLiteral("chỉ được viết một câu lệnh, có phần sau dấu ';'"));
        Translation tr;
        const Token& first = peek();
        if (first.is("SELECT")) {
            selectStatement(tr);
        } else if (first.is("INSERT")) {
            insertStatement(tr);
        } else if (first.is("UPDATE")) {
            updateStatement(tr);
        } else if (first.is("DELETE")) {
            deleteStatement(tr);
        } else if (first.is("CREATE") && (peek(1).is("INDEX") || (peek(1).is("UNIQUE") && peek(2).is("INDEX")))) {
            createIndex(tr);
        } else if (first.is("CREATE") && peek(1).is("TABLE") && ctx_.hasTable(schema_, peek(2).text)) {
            throw DbError(ErrObjectExists, QStringLiteral("Bảng '%1' đã có.").arg(peek(2).text));
        } else if (first.is("DROP") && peek(1).is("INDEX")) {
            dropIndex(tr);
        } else if (first.kind == Tok::End) {
            syntaxError(QStringLiteral("câu lệnh rỗng"));
        } else {
            tr.statements.push_back(expressionRun(toks_.size() - 1));
        }
        return tr;
    }

    std::string criteria(const QString& text)
    {
        toks_ = tokenize(text);
        pos_ = 0;
        if (peek().kind == Tok::End) syntaxError(QStringLiteral("điều kiện rỗng"));
        refuseSemicolon(QStringLiteral("điều kiện không được có dấu ';'"));
        return expressionRun(toks_.size() - 1);
    }

private:
    // A ";" outside quotes and brackets: the tokens hold no other kind of semicolon.
    void refuseSemicolon(const QString& why) const
    {
        for (const Token& t : toks_)
            if (t.kind == Tok::Op && t.text == QLatin1String(";")) syntaxError(why);
    }

    const Token& peek(std::size_t ahead = 0) const
    {
        const std::size_t k = pos_ + ahead;
        return k < toks_.size() ? toks_[k] : toks_.back();
    }
    const Token& next() { return toks_[pos_ < toks_.size() - 1 ? pos_++ : pos_]; }

    void expect(const char* word)
    {
        if (!peek().is(word)) syntaxError(QStringLiteral("cần '%1' ở gần '%2'").arg(QLatin1String(word), peek().text));
        ++pos_;
    }

    // Index of the first token at depth 0 from pos_ that is `word`, before `limit`; npos if none.
    std::size_t findAtDepth0(const char* word, std::size_t limit) const
    {
        int depth = 0;
        for (std::size_t k = pos_; k < limit && toks_[k].kind != Tok::End; ++k) {
            if (toks_[k].is("(")) ++depth;
            else if (toks_[k].is(")")) --depth;
            else if (depth == 0 && toks_[k].is(word)) return k;
        }
        return std::string::npos;
    }

    // The first "," outside parentheses from `from` on, or `limit`: the end of one list item.
    std::size_t commaAtDepth0(std::size_t from, std::size_t limit) const
    {
        int depth = 0;
        std::size_t k = from;
        for (; k < limit && !(depth == 0 && toks_[k].is(",")); ++k) {
            if (toks_[k].is("(")) ++depth;
            if (toks_[k].is(")")) --depth;
        }
        return k;
    }

    bool isSavedQuery(const QString& schema, const QString& name, QString* sql)
    {
        if (ctx_.hasTable(schema, name)) return false;
        if (auto q = ctx_.savedQuery(schema, name)) {
            *sql = *q;
            return true;
        }
        return false;
    }

    QString attach(const QString& path)
    {
        const QString alias = ctx_.attach(path);
        if (aliases_) aliases_->append(alias);
        return alias;
    }

    std::string qualified(const QString& schema, const QString& table) const
    {
        if (ctx_.isForeign(schema)) return namingOnly_ ? std::string() : ctx_.foreignTable(schema, table);
        return schema.isEmpty() ? d().ident(table) : schema.toStdString() + '.' + d().ident(table);
    }

    // A table named with IN 'path' at `k`: its path, when that file is held by another engine.
    QString foreignPathAt(std::size_t k) const
    {
        const bool named = toks_[k].kind == Tok::Ident || toks_[k].kind == Tok::Quoted;
        if (named && toks_[k + 1].is("IN") && toks_[k + 2].kind == Tok::String && ctx_.isForeignPath(toks_[k + 2].text))
            return toks_[k + 2].text;
        return QString();
    }

    // The one file held by another engine that every table read from `from` to `end` is in,
    // when they all are; else empty (the SELECT then runs here, copying what it reads).
    QString foreignSourceOf(std::size_t from, std::size_t end) const
    {
        QString path;
        for (std::size_t k = from; k < end; ++k) {
            if (!(toks_[k].is("FROM") || toks_[k].is("JOIN"))) continue;
            const QString here = foreignPathAt(k + 1);
            if (here.isEmpty() || (!path.isEmpty() && here != path)) return QString();
            // A list of tables after FROM is read here.
            std::size_t after = k + 4;
            if (toks_[after].is("AS")) after += 2;
            else if (toks_[after].kind == Tok::Ident && !isKeyword(toks_[after])) ++after;
            if (toks_[after].is(",")) return QString();
            path = here;
        }
        return path;
    }

    // Tokens from `from` to `to` written back as Jet text, without the IN 'path' after a table.
    QString jetText(std::size_t from, std::size_t to) const
    {
        QStringList parts;
        for (std::size_t k = from; k < to && toks_[k].kind != Tok::End; ++k) {
            const Token& t = toks_[k];
            if (t.is("IN") && toks_[k + 1].kind == Tok::String && k > from &&
                (toks_[k - 1].kind == Tok::Ident || toks_[k - 1].kind == Tok::Quoted)) {
                ++k;
                continue;
            }
            switch (t.kind) {
            case Tok::Quoted: parts.append(QLatin1Char('[') + t.text + QLatin1Char(']')); break;
            case Tok::String: parts.append(QLatin1Char('\'') + escapeQuotes(t.text) + QLatin1Char('\'')); break;
            default: parts.append(t.text); break;
            }
        }
        return parts.join(QLatin1Char(' '));
    }

    // The names the items of a select list (from `at`, after SELECT and DISTINCT, to `from`)
    // go by; empty when one is "*" or an expression without AS.
    QStringList selectNames(std::size_t at, std::size_t from) const
    {
        QStringList names;
        for (std::size_t k = at; k < from;) {
            const std::size_t itemEnd = commaAtDepth0(k, from);
            const std::size_t len = itemEnd - k;
            const bool plain = toks_[k].kind == Tok::Ident || toks_[k].kind == Tok::Quoted;
            if (len >= 2 && toks_[itemEnd - 2].is("AS")) names.append(toks_[itemEnd - 1].text);
            else if (len == 1 && plain && !toks_[k].is("*")) names.append(toks_[k].text);
            else if (len == 3 && plain && toks_[k + 1].is(".") && toks_[k + 2].kind != Tok::Op) names.append(toks_[k + 2].text);
            else return QStringList();
            k = itemEnd + 1;
        }
        return names;
    }

    struct TableRef {
        QString name;
        QString schema;
        std::string sql;  // as it goes into the statement
        bool query = false;
    };

    // Reads a table reference at pos_: a name, optionally followed by IN 'path'. A saved query
    // used as a source is put in place as a subquery under its own name.
    TableRef tableRef(bool asSource)
    {
        const Token& t = next();
        if (t.kind != Tok::Ident && t.kind != Tok::Quoted) syntaxError(QStringLiteral("cần tên bảng ở gần '%1'").arg(t.text));
        TableRef ref{t.text, schema_, {}, false};
        if (peek().is("IN") && peek(1).kind == Tok::String) {
            ++pos_;
            ref.schema = attach(next().text);
        }
        QString querySql;
        if (asSource && isSavedQuery(ref.schema, ref.name, &querySql)) {
            Translator inner(ctx_, ref.schema, aliases_);
            Translation sub = inner.statement(querySql);
            if (sub.kind != Translation::Kind::Query || sub.statements.size() != 1)
                syntaxError(QStringLiteral("truy vấn %1 không phải là câu lệnh chọn").arg(ref.name));
            ref.sql = '(' + sub.statements.front() + ')';
            ref.query = true;
            if (!peek().is("AS") && !(peek().kind == Tok::Ident && !isKeyword(peek())))
                ref.sql += " AS " + d().ident(ref.name);
        } else {
            ref.sql = qualified(ref.schema, ref.name);
        }
        return ref;
    }

    // Translates tokens from pos_ up to `limit` (exclusive), handling table references after
    // FROM, JOIN and INTO, and every expression rule of the dialect.
    std::string expressionRun(std::size_t limit)
    {
        std::vector<Piece> out;
        std::vector<bool> fromList;  // per parenthesis depth: inside a FROM list
        fromList.push_back(false);
        bool expectTable = false;
        while (pos_ < limit && peek().kind != Tok::End) {
            const Token& t = peek();
            if (expectTable && (t.kind == Tok::Ident || t.kind == Tok::Quoted) && !isKeyword(t)) {
                const bool source = !(pos_ > 0 && (toks_[pos_ - 1].is("INTO") || toks_[pos_ - 1].is("TABLE")));
                out.push_back({Piece::Plain, tableRef(source).sql});
                expectTable = false;
                // An alias may follow: AS name, or a bare name.
                if (peek().is("AS")) {
                    ++pos_;
                    out.push_back({Piece::Word, "AS"});
                    out.push_back({Piece::Plain, d().ident(next().text)});
                } else if (peek().kind == Tok::Ident && !isKeyword(peek())) {
                    out.push_back({Piece::Plain, d().ident(next().text)});
                }
                continue;
            }
            expectTable = false;
            ++pos_;
            switch (t.kind) {
            case Tok::Quoted:
            case Tok::Ident:
                // left( and right( are functions here, not joins.
                if (t.kind == Tok::Ident && peek().is("(") && (t.is("LEFT") || t.is("RIGHT"))) {
                    out.push_back({Piece::Plain, d().function(t.text)});
                    break;
                }
                if (t.kind == Tok::Ident && isKeyword(t)) {
                    if (t.is("TRUE")) {
                        out.push_back({Piece::Number, "-1"});
                    } else if (t.is("FALSE")) {
                        out.push_back({Piece::Number, "0"});
                    } else {
                        if (t.is("FROM") || t.is("JOIN") || t.is("INTO") || t.is("TABLE")) {
                            expectTable = true;
                            if (t.is("FROM")) fromList.back() = true;
                        } else if (endsTableList(t)) {
                            fromList.back() = false;
                        }
                        out.push_back({Piece::Word, t.text.toUpper().toStdString()});
                    }
                    break;
                }
                if (t.kind == Tok::Ident && peek().is("(")) {
                    out.push_back({Piece::Plain, d().function(t.text)});
                    break;
                }
                column(t, out);
                break;
            case Tok::String:
                // Text comparisons ignore letter case even where no column gives the rule.
                out.push_back({Piece::String, d().textLiteral(escapeQuotes(t.text))});
                break;
            case Tok::Number:
                out.push_back({Piece::Number, t.text.toStdString()});
                break;
            case Tok::Op:
                if (t.is("(")) {
                    fromList.push_back(false);
                } else if (t.is(")")) {
                    if (fromList.size() > 1) fromList.pop_back();
                } else if (t.is(",") && fromList.back()) {
                    expectTable = true;
                }
                if (t.is("&")) {
                    out.push_back({Piece::Op, "||", false, true});
                } else if (t.is("+") && concatenates(out)) {
                    out.push_back({Piece::Op, "||"});
                } else {
                    out.push_back({Piece::Op, t.text.toStdString()});
                }
                break;
            case Tok::End:
                break;
            }
        }
        return join(likeCalls(orderAgainstDigits(compareNumerically(std::move(out)))));
    }

    // A column, possibly qualified by its table (t.col or [t].[col]).
    void column(const Token& t, std::vector<Piece>& out)
    {
        std::string text = d().ident(t.text);
        QString name = t.text;
        while (peek().is(".") && (peek(1).kind == Tok::Ident || peek(1).kind == Tok::Quoted || peek(1).is("*"))) {
            ++pos_;
            const Token& part = next();
            text += '.';
            text += part.is("*") ? std::string("*") : d().ident(part.text);
            name = part.text;
        }
        if (name == QLatin1String("*")) {
            out.push_back({Piece::Plain, text});
            return;
        }
        out.push_back({Piece::Column, text, ctx_.isTextColumn(name)});
    }

    // "+" joins texts when a text stands on either side of it.
    bool concatenates(const std::vector<Piece>& out) const
    {
        const Token& t = peek();
        const bool rightIsText = t.kind == Tok::String || ((t.kind == Tok::Ident || t.kind == Tok::Quoted) && !isKeyword(t) &&
                                                          !peek(1).is("(") && ctx_.isTextColumn(t.text));
        const bool leftIsText = !out.empty() && (out.back().kind == Piece::String ||
                                                 (out.back().kind == Piece::Column && out.back().textColumn));
        return leftIsText || rightIsText;
    }

    // A text column compared with a number is compared as a number: its leading digits count.
    std::vector<Piece> compareNumerically(std::vector<Piece> in) const
    {
        auto isCmp = [](const Piece& p) {
            return p.kind == Piece::Op && (p.text == "=" || p.text == "<>" || p.text == "<" || p.text == ">" ||
                                          p.text == "<=" || p.text == ">=" || p.text == "!=" || p.text == "==");
        };
        auto numberAt = [&in](std::size_t k) {
            if (k < in.size() && in[k].kind == Piece::Number) return true;
            return k + 1 < in.size() && in[k].kind == Piece::Op && (in[k].text == "-" || in[k].text == "+") &&
                   in[k + 1].kind == Piece::Number;
        };
        auto wrap = [this](Piece& p) { p.text = d().leadingNumber(p.text); };
        for (std::size_t k = 0; k < in.size(); ++k) {
            if (!in[k].nullAsEmpty) continue;
            for (std::size_t side : {k - 1, k + 1})
                if (side < in.size() && in[side].kind == Piece::Column) in[side].text = d().emptyIfNull(in[side].text);
        }
        for (std::size_t k = 0; k < in.size(); ++k) {
            if (in[k].kind != Piece::Column || !in[k].textColumn) continue;
            if (k + 1 < in.size() && isCmp(in[k + 1]) && numberAt(k + 2)) {
                wrap(in[k]);
            } else if (k >= 1 && isCmp(in[k - 1]) &&
                       ((k >= 2 && in[k - 2].kind == Piece::Number) ||
                        (k >= 3 && in[k - 2].kind == Piece::Number && in[k - 3].kind == Piece::Op))) {
                if (k + 1 >= in.size() || !(in[k + 1].kind == Piece::Op && (in[k + 1].text == "||")))
                    wrap(in[k]);
            } else if (k + 1 < in.size() && in[k + 1].kind == Piece::Word && in[k + 1].text == "BETWEEN" &&
                       numberAt(k + 2)) {
                wrap(in[k]);
            } else if (k + 2 < in.size() && in[k + 1].kind == Piece::Word && in[k + 1].text == "NOT" &&
                       in[k + 2].kind == Piece::Word && in[k + 2].text == "BETWEEN" && numberAt(k + 3)) {
                wrap(in[k]);
            }
        }
        return in;
    }

    // A text column put in order against runs of digits ("ng_denchuan BETWEEN '20080101' AND
    // '20080630'", the dates' sort keys) has no letter case at stake: the dialect compares it byte
    // by byte. Only a lone column against lone literals; a joined text keeps the usual rule.
    std::vector<Piece> orderAgainstDigits(std::vector<Piece> in) const
    {
        auto is = [&in](std::size_t k, Piece::Kind kind, const char* text) {
            return k < in.size() && in[k].kind == kind && in[k].text == text;
        };
        auto isOrder = [&](std::size_t k) {
            return is(k, Piece::Op, "<") || is(k, Piece::Op, ">") || is(k, Piece::Op, "<=") || is(k, Piece::Op, ">=");
        };
        auto digits = [&](std::size_t k) {
            if (k >= in.size() || in[k].kind != Piece::String || is(k + 1, Piece::Op, "||") || (k > 0 && is(k - 1, Piece::Op, "||")))
                return false;
            const std::string& t = in[k].text;  // as written, quotes included
            return t.size() > 2 && std::all_of(t.begin() + 1, t.end() - 1, [](char c) { return c >= '0' && c <= '9'; });
        };
        for (std::size_t k = 0; k < in.size(); ++k) {
            if (in[k].kind != Piece::Column || !in[k].textColumn) continue;
            if ((k > 0 && is(k - 1, Piece::Op, "||")) || is(k + 1, Piece::Op, "||")) continue;
            const std::size_t b = is(k + 1, Piece::Word, "NOT") ? k + 2 : k + 1;
            if ((isOrder(k + 1) && digits(k + 2)) || (k >= 2 && isOrder(k - 1) && digits(k - 2)) ||
                (is(b, Piece::Word, "BETWEEN") && digits(b + 1) && is(b + 2, Piece::Word, "AND") && digits(b + 3)))
                in[k].text = d().bytewise(in[k].text);
        }
        return in;
    }

    // `a [NOT] LIKE b` as the dialect writes a pattern match. Each side is one operand: a value,
    // a bracketed run or a function call, with the texts joined to it by "||".
    std::vector<Piece> likeCalls(std::vector<Piece> in) const
    {
        auto isOp = [&in](std::size_t k, const char* op) { return k < in.size() && in[k].kind == Piece::Op && in[k].text == op; };
        // The first piece of the operand that ends at `last`.
        auto operandStart = [&](std::size_t last) {
            std::size_t k = last;
            for (;;) {
                if (isOp(k, ")")) {
                    int depth = 0;
                    for (;; --k) {
                        if (isOp(k, ")")) ++depth;
                        if (isOp(k, "(") && --depth == 0) break;
                        if (k == 0) break;
                    }
                    if (k > 0 && in[k - 1].kind == Piece::Plain) --k;  // a function's name
                }
                if (k >= 2 && isOp(k - 1, "||")) k -= 2;
                else return k;
            }
        };
        // One past the last piece of the operand that starts at `first`.
        auto operandEnd = [&](std::size_t first) {
            std::size_t k = first;
            for (;;) {
                if (k < in.size() && in[k].kind == Piece::Plain && isOp(k + 1, "(")) ++k;
                if (isOp(k, "(")) {
                    int depth = 0;
                    for (; k < in.size(); ++k) {
                        if (isOp(k, "(")) ++depth;
                        if (isOp(k, ")") && --depth == 0) break;
                    }
                }
                ++k;
                if (isOp(k, "||") && k + 1 < in.size()) ++k;
                else return std::min(k, in.size());
            }
        };
        for (std::size_t k = 1; k + 1 < in.size(); ++k) {
            if (!(in[k].kind == Piece::Word && in[k].text == "LIKE")) continue;
            const bool negated = in[k - 1].kind == Piece::Word && in[k - 1].text == "NOT";
            const std::size_t leftEnd = negated ? k - 1 : k;
            if (leftEnd == 0) continue;
            const std::size_t from = operandStart(leftEnd - 1), to = operandEnd(k + 1);
            const std::string pattern = join({in.begin() + static_cast<std::ptrdiff_t>(k + 1), in.begin() + static_cast<std::ptrdiff_t>(to)});
            // Fold(x) Like p, the whole left side one call of Fold: matched by the dialect's own
            // way of leaving marks aside, without a folded copy of every text.
            std::size_t close = from + 1;
            if (in[from].kind == Piece::Plain && in[from].text == d().function(QStringLiteral("fold")) && isOp(from + 1, "(")) {
                for (int depth = 0; close < leftEnd; ++close) {
                    if (isOp(close, "(")) ++depth;
                    if (isOp(close, ")") && --depth == 0) break;
                }
            }
            const std::string call =
                close + 1 == leftEnd && close > from + 2
                    ? d().likeWithoutMarks(join({in.begin() + static_cast<std::ptrdiff_t>(from + 2), in.begin() + static_cast<std::ptrdiff_t>(close)}),
                                           pattern, negated)
                    : d().like(join({in.begin() + static_cast<std::ptrdiff_t>(from), in.begin() + static_cast<std::ptrdiff_t>(leftEnd)}), pattern,
                               negated);
            in.erase(in.begin() + static_cast<std::ptrdiff_t>(from), in.begin() + static_cast<std::ptrdiff_t>(to));
            in.insert(in.begin() + static_cast<std::ptrdiff_t>(from), Piece{Piece::Plain, call});
            k = from;
        }
        return in;
    }

    static std::string join(const std::vector<Piece>& pieces)
    {
        std::string s;
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            const Piece& p = pieces[k];
            const bool call = p.text == "(" && k > 0 && pieces[k - 1].kind == Piece::Plain;  // f(x)
            const bool tight = p.text == "," || p.text == ")" || p.text == "." || call ||
                               (k > 0 && (pieces[k - 1].text == "(" || pieces[k - 1].text == "."));
            if (!s.empty() && !tight) s += ' ';
            s += p.text;
        }
        return s;
    }

    // SELECT ...; SELECT ... INTO t [IN 'path'] FROM ...
    void selectStatement(Translation& tr)
    {
        const std::size_t end = toks_.size() - 1;
        const std::size_t from = findAtDepth0("FROM", end);
        const std::size_t into = findAtDepth0("INTO", from == std::string::npos ? end : from);
        if (into != std::string::npos) {
            selectInto(tr, into);
            return;
        }
        tr.kind = Translation::Kind::Query;
        // A single table without DISTINCT, grouping, joins or unions can be keyed by row id.
        bool simple = from != std::string::npos && findAtDepth0("DISTINCT", from) == std::string::npos;
        // Totals make one row of many: count(*), sum(...) and the like.
        for (const char* f : {"COUNT", "SUM", "MIN", "MAX", "AVG", "FIRST", "LAST"}) {
            const std::size_t at = findAtDepth0(f, from == std::string::npos ? end : from);
            if (at != std::string::npos && toks_[at + 1].is("(")) simple = false;
        }
        for (const char* w : {"GROUP", "UNION", "JOIN", "HAVING"})
            if (findAtDepth0(w, end) != std::string::npos) simple = false;
        if (simple) {
            const std::size_t start = pos_;
            pos_ = from + 1;
            const std::size_t afterRef = skipTableRef();
            simple = !toks_[afterRef].is(",");
            pos_ = start;
        }
        if (!simple) {
            tr.statements.push_back(expressionRun(end));
            return;
        }
        ++pos_;  // SELECT
        Translation::Base base;
        base.columns = expressionRun(from);
        ++pos_;  // FROM
        TableRef ref = tableRef(true);
        std::string aliasText;
        if (peek().is("AS")) {
            ++pos_;
            aliasText = " AS " + d().ident(next().text);
        } else if (peek().kind == Tok::Ident && !isKeyword(peek())) {
            aliasText = ' ' + d().ident(next().text);
        }
        base.rest = expressionRun(end);
        if (base.columns == "*" && !ref.query && d().spellsOutStar()) base.columns = fieldList(ref.schema, ref.name);
        const std::string whole = "SELECT " + base.columns + " FROM " + ref.sql + aliasText +
                                  (base.rest.empty() ? std::string() : ' ' + base.rest);
        tr.statements.push_back(whole);
        if (!ref.query && aliasText.empty()) {
            base.table = ref.sql;
            base.schema = ref.schema;
            base.tableName = ref.name;
            tr.base = base;
        }
    }

    // Every field of a table, named.
    std::string fieldList(const QString& schema, const QString& table)
    {
        std::string list;
        for (const FieldDef& f : ctx_.tableFields(schema, table)) list += (list.empty() ? "" : ", ") + d().ident(f.name);
        return list;
    }

    // Skips a table reference (name, IN 'path', alias) from pos_ and returns the index after it.
    std::size_t skipTableRef() const
    {
        std::size_t k = pos_;
        if (toks_[k].kind == Tok::Ident || toks_[k].kind == Tok::Quoted) ++k;
        if (toks_[k].is("IN") && toks_[k + 1].kind == Tok::String) k += 2;
        if (toks_[k].is("AS")) k += 2;
        else if (toks_[k].kind == Tok::Ident && !isKeyword(toks_[k])) ++k;
        return k;
    }

    void selectInto(Translation& tr, std::size_t into)
    {
        tr.kind = Translation::Kind::Action;
        const std::size_t end = toks_.size() - 1;
        // Target first: INTO name [IN 'path'].
        const std::size_t start = pos_;
        if (selectIntoAcross(tr, start, into, end)) return;
        pos_ = into + 1;
        TableRef target = tableRef(false);
        const std::size_t afterTarget = pos_;
        // The select list, then everything after the target.
        pos_ = start + 1;
        const bool star = (toks_[pos_].is("*") && pos_ + 1 == into) ||
                          (pos_ + 3 == into && toks_[pos_ + 1].is(".") && toks_[pos_ + 2].is("*"));
        const std::string list = expressionRun(into);
        pos_ = afterTarget;
        if (!peek().is("FROM")) syntaxError(QStringLiteral("cần FROM sau INTO"));
        // Where the rows come from, for copying the field definitions of a whole table.
        std::optional<TableRef> source;
        if (star && (peek(1).kind == Tok::Ident || peek(1).kind == Tok::Quoted)) {
            const std::size_t save = pos_;
            ++pos_;
            TableRef ref = tableRef(true);
            if (!ref.query && endsTableList(peek())) source = ref;
            pos_ = save;
        }
        const std::string rest = expressionRun(end);
        const std::string select = "SELECT " + (source && d().spellsOutStar() ? fieldList(source->schema, source->name) : list) + ' ' + rest;
        if (source) {
            std::string create = "CREATE TABLE " + target.sql + " (";
            const QList<FieldDef> fields = ctx_.tableFields(source->schema, source->name);
            for (qsizetype k = 0; k < fields.size(); ++k) {
                if (k) create += ", ";
                create += d().columnDeclaration(fields[k]);
            }
            create += ')';
            tr.statements.push_back(create);
            tr.statements.push_back("INSERT INTO " + target.sql + ' ' + select);
        } else {
            tr.statements.push_back("CREATE TABLE " + target.sql + " AS " + select);
        }
        for (std::string& key : d().keyOfNewTable(target.sql, source ? ctx_.tableFields(source->schema, source->name) : QList<FieldDef>()))
            tr.statements.push_back(std::move(key));
    }

    // SELECT ... INTO a table of a file held by another engine, or from one: the table is made
    // there and the rows cross over. Returns false when both sides are here.
    bool selectIntoAcross(Translation& tr, std::size_t start, std::size_t into, std::size_t end)
    {
        const QString targetPath = foreignPathAt(into + 1);
        const QString sourcePath = targetPath.isEmpty() ? foreignSourceOf(start, end) : QString();
        if (targetPath.isEmpty() && sourcePath.isEmpty()) return false;
        std::size_t afterTarget = into + 2;
        if (toks_[afterTarget].is("IN") && toks_[afterTarget + 1].kind == Tok::String) afterTarget += 2;
        if (!toks_[afterTarget].is("FROM")) syntaxError(QStringLiteral("cần FROM sau INTO"));
        const bool star = (toks_[start + 1].is("*") && start + 2 == into) ||
                          (start + 4 == into && toks_[start + 2].is(".") && toks_[start + 3].is("*"));
        Translation::Transfer t;
        t.create = true;
        t.targetTable = toks_[into + 1].text;
        const Token& from = toks_[afterTarget + 1];
        if (star && (from.kind == Tok::Ident || from.kind == Tok::Quoted)) {
            std::size_t after = afterTarget + 2;
            if (toks_[after].is("IN") && toks_[after + 1].kind == Tok::String) after += 2;
            if (endsTableList(toks_[after])) t.createFrom = from.text;
        }
        if (!targetPath.isEmpty()) {
            t.targetPath = targetPath;
            pos_ = start + 1;
            const std::string list = star && !t.createFrom.isEmpty() && d().spellsOutStar() ? fieldList(schema_, t.createFrom)
                                                                                           : expressionRun(into);
            pos_ = afterTarget;
            t.selectSql = "SELECT " + list + ' ' + expressionRun(end);
        } else {
            t.sourcePath = sourcePath;
            t.select = jetText(start, into) + QLatin1Char(' ') + jetText(afterTarget, end);
        }
        tr.transfer = t;
        return true;
    }

    // INSERT INTO t [IN 'path'] [(fields)] SELECT ... | VALUES (...)
    // Without a field list the selected columns go into the fields of the same names.
    void insertStatement(Translation& tr)
    {
        tr.kind = Translation::Kind::Action;
        ++pos_;
        expect("INTO");
        const std::size_t end = toks_.size() - 1;
        // Where the SELECT starts: after the target and its list of fields.
        std::size_t at = pos_ + 1;
        if (toks_[at].is("IN") && toks_[at + 1].kind == Tok::String) at += 2;
        QStringList listed;
        if (toks_[at].is("(")) {
            for (++at; at < end && !toks_[at].is(")"); ++at)
                if (!toks_[at].is(",")) listed.append(toks_[at].text);
            ++at;
        }
        const bool selects = toks_[at].is("SELECT");
        if (selects) {
            std::size_t items = at + 1;
            if (toks_[items].is("DISTINCT")) ++items;
            const std::size_t from = findAtDepthFrom(at, "FROM", end);
            const QStringList names = listed.isEmpty() && from != std::string::npos ? selectNames(items, from) : listed;
            const QString targetPath = foreignPathAt(pos_);
            const QString sourcePath = targetPath.isEmpty() ? foreignSourceOf(at, end) : QString();
            if (!targetPath.isEmpty() || !sourcePath.isEmpty()) {
                Translation::Transfer t;
                t.columns = names;
                if (!targetPath.isEmpty()) {
                    t.targetPath = targetPath;
                    t.targetTable = peek().text;
                    pos_ = at;
                    t.selectSql = expressionRun(end);
                } else {
                    t.target = tableRef(false).sql;
                    t.sourcePath = sourcePath;
                    t.select = jetText(at, end);
                }
                tr.transfer = t;
                return;
            }
        }
        const TableRef target = tableRef(false);
        std::string head = "INSERT INTO " + target.sql;
        if (selects && listed.isEmpty()) {
            std::size_t items = at + 1;
            if (toks_[items].is("DISTINCT")) ++items;
            const std::size_t from = findAtDepthFrom(at, "FROM", end);
            const QStringList names = from != std::string::npos ? selectNames(items, from) : QStringList();
            if (!names.isEmpty()) {
                head += " (";
                for (qsizetype n = 0; n < names.size(); ++n) head += (n ? ", " : "") + d().ident(names[n]);
                head += ')';
            }
        }
        tr.statements.push_back(head + ' ' + expressionRun(toks_.size() - 1));
    }

    // findAtDepth0 from another starting token.
    std::size_t findAtDepthFrom(std::size_t start, const char* word, std::size_t limit)
    {
        const std::size_t save = pos_;
        pos_ = start;
        const std::size_t found = findAtDepth0(word, limit);
        pos_ = save;
        return found;
    }

    // Rows of a file held by another engine are added there (INSERT, SELECT ... INTO) but not
    // changed or deleted from here.
    void refuseForeignWrite(std::size_t k) const
    {
        const QString path = foreignPathAt(k);
        if (!path.isEmpty())
            throw DbError(ErrNotUpdatable, QStringLiteral("Không sửa, xoá được bảng %1 của %2 bằng câu lệnh chạy trên dữ liệu khác.")
                                               .arg(toks_[k].text, path));
    }

    void deleteStatement(Translation& tr)
    {
        tr.kind = Translation::Kind::Action;
        const std::size_t from = findAtDepth0("FROM", toks_.size() - 1);
        if (from != std::string::npos) refuseForeignWrite(from + 1);
        ++pos_;  // DELETE
        // DELETE * FROM t, DELETE t.* FROM t
        if (peek().is("*")) {
            ++pos_;
        } else if ((peek().kind == Tok::Ident || peek().kind == Tok::Quoted) && !isKeyword(peek()) && peek(1).is(".") &&
                   peek(2).is("*")) {
            pos_ += 3;
        }
        tr.statements.push_back("DELETE " + expressionRun(toks_.size() - 1));
    }

    void updateStatement(Translation& tr)
    {
        tr.kind = Translation::Kind::Action;
        const std::size_t end = toks_.size() - 1;
        const std::size_t set = findAtDepth0("SET", end);
        if (set == std::string::npos) syntaxError(QStringLiteral("UPDATE cần SET"));
        const std::size_t comma = findAtDepth0(",", set);
        if (comma != std::string::npos) {
            joinedUpdate(tr, set);
            return;
        }
        ++pos_;  // UPDATE
        refuseForeignWrite(pos_);
        TableRef target = tableRef(false);
        tr.statements.push_back("UPDATE " + target.sql + ' ' + expressionRun(end));
    }

    // UPDATE a, b SET b.f = a.f, ... WHERE b.k = a.k AND <conditions on a>
    // The rows of the source that pass its conditions go into a keyed scratch table; the target
    // is then updated from it in one pass.
    void joinedUpdate(Translation& tr, std::size_t set)
    {
        ++pos_;  // UPDATE
        const std::size_t firstStart = pos_;
        const QString firstName = peek().text;
        pos_ = skipTableRef();
        if (!peek().is(",")) syntaxError(QStringLiteral("UPDATE nối bảng"));
        ++pos_;
        const std::size_t secondStart = pos_;
        const QString secondName = peek().text;
        pos_ = set + 1;
        // Assignments: target.f = expression over the source.
        struct Assignment {
            QString field;
            std::size_t from, to;
        };
        std::vector<Assignment> assignments;
        const std::size_t end = toks_.size() - 1;
        const std::size_t where = findAtDepth0("WHERE", end);
        const std::size_t setEnd = where == std::string::npos ? end : where;
        QString targetName;
        while (pos_ < setEnd) {
            const Token& qual = next();
            if (!peek().is(".")) syntaxError(QStringLiteral("UPDATE nối bảng cần tên bảng trước tên trường"));
            ++pos_;
            const QString field = next().text;
            if (targetName.isEmpty()) targetName = qual.text;
            if (qual.text.compare(targetName, Qt::CaseInsensitive) != 0)
                syntaxError(QStringLiteral("UPDATE nối bảng chỉ sửa một bảng"));
            expect("=");
            const std::size_t k = commaAtDepth0(pos_, setEnd);
            assignments.push_back({field, pos_, k});
            pos_ = k < setEnd ? k + 1 : k;
        }
        const bool targetFirst = targetName.compare(firstName, Qt::CaseInsensitive) == 0;
        if (!targetFirst && targetName.compare(secondName, Qt::CaseInsensitive) != 0)
            syntaxError(QStringLiteral("UPDATE nối bảng: không rõ bảng được sửa"));
        const QString sourceName = targetFirst ? secondName : firstName;

        // The target: a table, or a saved query over one table (possibly in another file). A
        // table of the other engine's file is only named here, never copied.
        pos_ = targetFirst ? firstStart : secondStart;
        namingOnly_ = true;
        TableRef targetRef = tableRef(false);
        namingOnly_ = false;
        std::string targetTable = targetRef.sql;
        QString targetTableName = targetRef.name;
        QString targetSchema = targetRef.schema;
        QString querySql;
        if (isSavedQuery(targetRef.schema, targetRef.name, &querySql)) {
            Translator inner(ctx_, targetRef.schema, aliases_);
            inner.namingOnly_ = true;
            Translation sub = inner.statement(querySql);
            if (!sub.base || !sub.base->rest.empty())
                syntaxError(QStringLiteral("truy vấn %1 không sửa được").arg(targetRef.name));
            targetTable = sub.base->table;
            targetTableName = sub.base->tableName;
            targetSchema = sub.base->schema;
        }
        pos_ = targetFirst ? secondStart : firstStart;
        TableRef sourceRef = tableRef(true);

        // Split the WHERE clause into the join equality and the conditions on the source.
        std::string keyOnSource, keyOnTarget;
        QString targetKeyName;
        std::vector<std::string> filters;
        if (where != std::string::npos) {
            std::size_t k = where + 1;
            while (k < end) {
                std::size_t termEnd = k;
                int depth = 0;
                while (termEnd < end && !(depth == 0 && toks_[termEnd].is("AND") && !betweenBefore(k, termEnd))) {
                    if (toks_[termEnd].is("(")) ++depth;
                    if (toks_[termEnd].is(")")) --depth;
                    ++termEnd;
                }
                bool mentionsTarget = false;
                for (std::size_t j = k; j + 1 < termEnd; ++j)
                    if (toks_[j + 1].is(".") && toks_[j].text.compare(targetName, Qt::CaseInsensitive) == 0)
                        mentionsTarget = true;
                if (mentionsTarget) {
                    // Must be  X.a = Y.b  with one side on each table.
                    if (termEnd - k != 7 || !toks_[k + 1].is(".") || !toks_[k + 3].is("=") || !toks_[k + 5].is("."))
                        syntaxError(QStringLiteral("UPDATE nối bảng: điều kiện nối không hỗ trợ"));
                    const bool leftIsTarget = toks_[k].text.compare(targetName, Qt::CaseInsensitive) == 0;
                    const Token& tf = toks_[leftIsTarget ? k + 2 : k + 6];
                    const Token& sf = toks_[leftIsTarget ? k + 6 : k + 2];
                    keyOnTarget = d().ident(tf.text);
                    targetKeyName = tf.text;
                    keyOnSource = d().ident(sourceName) + '.' + d().ident(sf.text);
                } else {
                    pos_ = k;
                    filters.push_back(expressionRun(termEnd));
                }
                k = termEnd + 1;
            }
        }
        if (keyOnTarget.empty()) syntaxError(QStringLiteral("UPDATE nối bảng cần điều kiện nối"));

        const std::string join = d().tempTable("jet_join");
        std::string select = "SELECT " + keyOnSource + " AS jet_key";
        std::string columns, values;
        QStringList fields;
        for (std::size_t a = 0; a < assignments.size(); ++a) {
            pos_ = assignments[a].from;
            select += ", " + expressionRun(assignments[a].to) + " AS v" + std::to_string(a);
            columns += (a ? ", " : "") + d().ident(assignments[a].field);
            values += (a ? ", v" : "v") + std::to_string(a);
            fields.append(assignments[a].field);
        }
        select += " FROM " + sourceRef.sql + (sourceRef.query ? std::string() : " AS " + d().ident(sourceName));
        for (std::size_t f = 0; f < filters.size(); ++f) select += (f ? " AND (" : " WHERE (") + filters[f] + ')';
        if (ctx_.isForeign(targetSchema)) {
            tr.foreignUpdate = Translation::ForeignUpdate{select, ctx_.foreignPath(targetSchema), targetTableName, targetKeyName, fields};
            return;
        }
        const std::string scratch = "CREATE TEMP TABLE jet_join AS " + select;
        const std::string targetBare = d().ident(targetTableName);  // the UPDATE's own table, seen from its subquery
        tr.statements.push_back("DROP TABLE IF EXISTS " + join);
        tr.statements.push_back(scratch);
        tr.statements.push_back(d().createTempIndex("jet_join", "jet_key"));
        tr.statements.push_back("UPDATE " + targetTable + " SET (" + columns + ") = (SELECT " + values + " FROM " + join +
                                " WHERE jet_key = " + targetBare + '.' + keyOnTarget + " LIMIT 1) WHERE " + keyOnTarget +
                                " IN (SELECT jet_key FROM " + join + ")");
        tr.statements.push_back("DROP TABLE " + join);
    }

    // True when the AND at `at` belongs to a BETWEEN ... AND ... of the term that starts at `from`.
    bool betweenBefore(std::size_t from, std::size_t at) const
    {
        int open = 0;
        for (std::size_t k = from; k < at; ++k) {
            if (toks_[k].is("BETWEEN")) ++open;
            if (toks_[k].is("AND")) --open;
        }
        return open > 0;
    }

    // CREATE [UNIQUE] INDEX name ON table (field [ASC|DESC], ...) [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
    void createIndex(Translation& tr)
    {
        tr.kind = Translation::Kind::CreateIndex;
        ++pos_;
        if (peek().is("UNIQUE")) {
            tr.index.unique = true;
            ++pos_;
        }
        expect("INDEX");
        tr.index.name = next().text;
        expect("ON");
        tr.indexTable = next().text;
        expect("(");
        while (!peek().is(")")) {
            if (peek().kind == Tok::End) syntaxError(QStringLiteral("thiếu ')'"));
            const Token& f = next();
            if (f.kind == Tok::Ident || f.kind == Tok::Quoted) {
                if (!f.is("ASC") && !f.is("DESC")) tr.index.fields.append(f.text);
            }
        }
        ++pos_;
        if (peek().is("WITH")) {
            ++pos_;
            while (peek().kind != Tok::End) {
                const Token& w = next();
                if (w.is("PRIMARY")) {
                    tr.index.primary = true;
                    tr.index.unique = true;
                }
            }
        }
        if (tr.index.fields.isEmpty()) syntaxError(QStringLiteral("chỉ mục không có trường"));
    }

    void dropIndex(Translation& tr)
    {
        tr.kind = Translation::Kind::Action;
        pos_ += 2;
        const QString name = next().text;
        expect("ON");
        const QString table = next().text;
        tr.statements.push_back("DROP INDEX " + d().ident(table + QLatin1Char('.') + name));
    }

    const Dialect& d() const { return ctx_.dialect(); }

    SchemaContext& ctx_;
    bool namingOnly_ = false;  // a table of the other engine's file is named, not copied here
    QString schema_;
    QStringList* aliases_;
    std::vector<Token> toks_;
    std::size_t pos_ = 0;
};

}  // namespace

Translation translateJet(const QString& jetSql, SchemaContext& context)
{
    QStringList aliases;
    try {
        context.prepare();
        Translator t(context, QString(), &aliases);
        Translation tr = t.statement(jetSql);
        tr.aliases = aliases;
        return tr;
    } catch (...) {
        for (const QString& a : aliases) context.release(a);
        throw;
    }
}

std::string translateCriteria(const QString& criteria, SchemaContext& context, QStringList* aliases)
{
    context.prepare();
    Translator t(context, QString(), aliases);
    return t.criteria(criteria);
}

}  // namespace engine
