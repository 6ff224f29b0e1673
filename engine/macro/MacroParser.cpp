// Reads the macro language: statements are a command name with an optional parenthesised list
// of parameters, named ("Text: \"x\"") or positional, separated by ';' or ','. Line breaks only
// separate tokens, so one statement may span lines and one line may hold several (a ';' may
// end a statement).
#include "MacroProgram.h"

#include <array>

namespace engine::macro {

namespace {

constexpr int MaxNesting = 64;

struct Token {
    enum class Kind { Name, Constant, String, Number, Open, Close, Colon, Separator, End };
    Kind kind = Kind::End;
    QString text; // a Name or Constant (without '!') as written, a String's value, a Number
    int line = 0;
    int column = 0;
};

bool isQuote(QChar c)
{
    return c == u'"' || c == QChar(0x201C) || c == QChar(0x201D); // word processors curl quotes
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

class Lexer {
public:
    explicit Lexer(const QString& source) : m_src(source) {}

    std::vector<Token> tokens()
    {
        std::vector<Token> out;
        for (;;) {
            skipSpaceAndComments();
            Token t;
            t.line = m_line;
            t.column = column();
            if (m_pos >= m_src.size()) {
                out.push_back(t);
                return out;
            }
            const QChar c = m_src[m_pos];
            if (c.isLetter() || c == u'_') {
                const qsizetype start = m_pos;
                while (m_pos < m_src.size() && isNameChar(m_src[m_pos]))
                    ++m_pos;
                t.text = m_src.mid(start, m_pos - start);
                t.kind = Token::Kind::Name;
                if (m_pos < m_src.size() && m_src[m_pos] == u'!') {
                    ++m_pos;
                    t.kind = Token::Kind::Constant;
                }
            } else if (c.isDigit()) {
                const qsizetype start = m_pos;
                while (m_pos < m_src.size() && m_src[m_pos].isDigit())
                    ++m_pos;
                t.kind = Token::Kind::Number;
                t.text = m_src.mid(start, m_pos - start);
            } else if (isQuote(c)) {
                t.kind = Token::Kind::String;
                t.text = readString();
            } else {
                ++m_pos;
                switch (c.unicode()) {
                case u'(':
                    t.kind = Token::Kind::Open;
                    break;
                case u')':
                    t.kind = Token::Kind::Close;
                    break;
                case u':':
                    t.kind = Token::Kind::Colon;
                    break;
                case u';':
                case u',':
                    t.kind = Token::Kind::Separator;
                    break;
                default:
                    throw MacroError(t.line, t.column,
                                     QStringLiteral("unexpected character '%1'").arg(c));
                }
            }
            out.push_back(std::move(t));
        }
    }

private:
    int column() const { return int(m_pos - m_lineStart) + 1; }

    void newLine()
    {
        ++m_line;
        m_lineStart = m_pos;
    }

    void skipSpaceAndComments()
    {
        while (m_pos < m_src.size()) {
            const QChar c = m_src[m_pos];
            if (c == u'\n' || c == u'\r') {
                ++m_pos;
                if (c == u'\r' && m_pos < m_src.size() && m_src[m_pos] == u'\n')
                    ++m_pos;
                newLine();
            } else if (c.isSpace() || c == QChar(0xFEFF)) {
                ++m_pos;
            } else if (c == u'/' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == u'/') {
                while (m_pos < m_src.size() && m_src[m_pos] != u'\n' && m_src[m_pos] != u'\r')
                    ++m_pos;
            } else {
                return;
            }
        }
    }

    // A string runs to the next quote on the same line. Inside it, "" stands for one quote
    // and a backslash starts an escape: \" \\ \n (a hard return when typed) \t.
    QString readString()
    {
        const int line = m_line;
        const int startColumn = column();
        ++m_pos;
        QString value;
        for (;;) {
            if (m_pos >= m_src.size() || m_src[m_pos] == u'\n' || m_src[m_pos] == u'\r')
                throw MacroError(line, startColumn,
                                 QStringLiteral("the string has no closing quote"));
            const QChar c = m_src[m_pos];
            if (c == u'"' && m_pos + 1 < m_src.size() && m_src[m_pos + 1] == u'"') {
                value += u'"';
                m_pos += 2;
            } else if (isQuote(c)) {
                ++m_pos;
                return value;
            } else if (c == u'\\') {
                const QChar e = m_pos + 1 < m_src.size() ? m_src[m_pos + 1] : QChar();
                if (e == u'"' || e == u'\\')
                    value += e;
                else if (e == u'n')
                    value += u'\n';
                else if (e == u't')
                    value += u'\t';
                else
                    throw MacroError(line, column(),
                                     QStringLiteral("unknown escape '\\%1' (write '\\\\' for a "
                                                    "backslash)")
                                         .arg(e));
                m_pos += 2;
            } else {
                value += c;
                ++m_pos;
            }
        }
    }

    const QString& m_src;
    qsizetype m_pos = 0;
    qsizetype m_lineStart = 0;
    int m_line = 1;
};

enum class ParamType { Text, State, Count, Mode };

struct Param {
    const char* name;
    ParamType type;
    bool required;
};

struct CommandInfo {
    const char* name;
    MacroCommand command;
    std::array<Param, 1> params; // every command takes at most one parameter
    int paramCount;
};

constexpr Param NoParam{"", ParamType::Mode, false};
constexpr Param SearchMode{"SearchMode", ParamType::Mode, false};

// Both top and both bottom forms are the same here: a document has no codes before its text.
const CommandInfo Commands[] = {
    {"Type", MacroCommand::Type, {{{"Text", ParamType::Text, true}}}, 1},
    {"HardReturn", MacroCommand::HardReturn, {NoParam}, 0},
    {"PosDocTop", MacroCommand::PosDocTop, {NoParam}, 0},
    {"PosDocVeryTop", MacroCommand::PosDocTop, {NoParam}, 0},
    {"PosDocBottom", MacroCommand::PosDocBottom, {NoParam}, 0},
    {"PosDocVeryBottom", MacroCommand::PosDocBottom, {NoParam}, 0},
    {"PosCharNext", MacroCommand::PosCharNext, {NoParam}, 0},
    {"PosCharPrevious", MacroCommand::PosCharPrevious, {NoParam}, 0},
    {"DeleteCharNext", MacroCommand::DeleteCharNext, {NoParam}, 0},
    {"DeleteCharPrevious", MacroCommand::DeleteCharPrevious, {NoParam}, 0},
    {"SelectDelete", MacroCommand::SelectDelete, {NoParam}, 0},
    {"SelectOff", MacroCommand::SelectOff, {NoParam}, 0},
    {"SearchString", MacroCommand::SearchString, {{{"StrgToLookFor", ParamType::Text, true}}}, 1},
    {"ReplaceString", MacroCommand::ReplaceString, {{{"RplcStrg", ParamType::Text, true}}}, 1},
    {"MatchCase", MacroCommand::MatchCase, {{{"State", ParamType::State, true}}}, 1},
    {"SearchNext", MacroCommand::SearchNext, {SearchMode}, 1},
    {"SearchPrevious", MacroCommand::SearchPrevious, {SearchMode}, 1},
    {"ReplaceForward", MacroCommand::ReplaceForward, {SearchMode}, 1},
    {"ReplaceAll", MacroCommand::ReplaceAll, {SearchMode}, 1},
    {"Quit", MacroCommand::Quit, {NoParam}, 0},
};

const CommandInfo* findCommand(const QString& name)
{
    for (const CommandInfo& info : Commands)
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0)
            return &info;
    return nullptr;
}

bool is(const Token& t, const char* name)
{
    return t.kind == Token::Kind::Name &&
           t.text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

struct Argument {
    Token name; // Kind::End when positional
    Token value;
};

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : m_tokens(std::move(tokens)) {}

    MacroProgram program()
    {
        MacroProgram program;
        program.statements = block(nullptr, 0);
        return program;
    }

private:
    const Token& peek(size_t ahead = 0) const
    {
        return m_tokens[qMin(m_pos + ahead, m_tokens.size() - 1)];
    }
    const Token& next() { return m_tokens[m_pos < m_tokens.size() - 1 ? m_pos++ : m_pos]; }

    static QString describe(const Token& t)
    {
        switch (t.kind) {
        case Token::Kind::Name:
            return QStringLiteral("'%1'").arg(t.text);
        case Token::Kind::Constant:
            return QStringLiteral("'%1!'").arg(t.text);
        case Token::Kind::String:
            return QStringLiteral("a string");
        case Token::Kind::Number:
            return QStringLiteral("the number %1").arg(t.text);
        case Token::Kind::Open:
            return QStringLiteral("'('");
        case Token::Kind::Close:
            return QStringLiteral("')'");
        case Token::Kind::Colon:
            return QStringLiteral("':'");
        case Token::Kind::Separator:
            return QStringLiteral("a separator");
        case Token::Kind::End:
            break;
        }
        return QStringLiteral("the end of the macro");
    }

    [[noreturn]] static void fail(const Token& at, const QString& message)
    {
        throw MacroError(at.line, at.column, message);
    }

    void expect(Token::Kind kind, const char* what)
    {
        const Token& t = peek();
        if (t.kind != kind)
            fail(t, QStringLiteral("expected %1, found %2").arg(QLatin1String(what), describe(t)));
        next();
    }

    // Statements up to the name that closes the block (one of `enders`, left unread), or to
    // the end of the macro when there is no opener.
    std::vector<MacroStatement> block(const Token* opener, int depth,
                                      std::initializer_list<const char*> enders = {})
    {
        if (depth > MaxNesting)
            fail(*opener, QStringLiteral("blocks are nested more than %1 deep").arg(MaxNesting));
        std::vector<MacroStatement> out;
        for (;;) {
            const Token& t = peek();
            if (t.kind == Token::Kind::End) {
                if (opener)
                    fail(*opener, QStringLiteral("'%1' has no matching '%2'")
                                      .arg(opener->text, QLatin1String(*enders.begin())));
                return out;
            }
            for (const char* ender : enders)
                if (is(t, ender))
                    return out;
            if (t.kind == Token::Kind::Separator) { // "Type(\"a\"); HardReturn()"
                next();
                continue;
            }
            statement(out, depth);
        }
    }

    void statement(std::vector<MacroStatement>& out, int depth)
    {
        const Token head = next();
        if (head.kind != Token::Kind::Name)
            fail(head, QStringLiteral("expected a command, found %1").arg(describe(head)));

        MacroStatement s;
        s.line = head.line;
        if (is(head, "Application")) {
            arguments(); // names the program the macro was written for; nothing to do
            return;
        }
        if (is(head, "If")) {
            s.kind = MacroStatement::Kind::If;
            s.condition = parenthesisedCondition();
            s.body = block(&head, depth + 1, {"EndIf", "Else"});
            if (is(peek(), "Else")) {
                next();
                s.elseBody = block(&head, depth + 1, {"EndIf"});
            }
            next();
        } else if (is(head, "While")) {
            s.kind = MacroStatement::Kind::While;
            s.condition = parenthesisedCondition();
            s.body = block(&head, depth + 1, {"EndWhile"});
            next();
        } else if (is(head, "Repeat")) {
            s.kind = MacroStatement::Kind::Repeat;
            s.body = block(&head, depth + 1, {"Until"});
            next();
            s.condition = parenthesisedCondition();
        } else if (is(head, "For")) {
            s.kind = MacroStatement::Kind::For;
            static const CommandInfo forInfo{
                "For", MacroCommand::Quit, {{{"Count", ParamType::Count, true}}}, 1};
            bind(head, forInfo, arguments(), s);
            s.body = block(&head, depth + 1, {"EndFor"});
            next();
        } else if (is(head, "Else") || is(head, "EndIf") || is(head, "EndWhile") ||
                   is(head, "Until") || is(head, "EndFor")) {
            fail(head, QStringLiteral("'%1' without its opening statement").arg(head.text));
        } else {
            const CommandInfo* info = findCommand(head.text);
            if (!info)
                throw MacroError(head.line, QStringLiteral("unknown command '%1'").arg(head.text));
            s.kind = MacroStatement::Kind::Command;
            s.command = info->command;
            bind(head, *info, arguments(), s);
        }
        out.push_back(std::move(s));
    }

    // An optional "( argument ; argument ... )".
    std::vector<Argument> arguments()
    {
        std::vector<Argument> args;
        if (peek().kind != Token::Kind::Open)
            return args;
        const Token open = next();
        if (peek().kind == Token::Kind::Close) {
            next();
            return args;
        }
        for (;;) {
            Argument a;
            if (peek().kind == Token::Kind::Name && peek(1).kind == Token::Kind::Colon) {
                a.name = next();
                next();
            }
            const Token& v = peek();
            if (v.kind != Token::Kind::Name && v.kind != Token::Kind::Constant &&
                v.kind != Token::Kind::String && v.kind != Token::Kind::Number)
                fail(v, QStringLiteral("expected a value, found %1").arg(describe(v)));
            a.value = next();
            args.push_back(std::move(a));
            const Token& after = peek();
            if (after.kind == Token::Kind::Close) {
                next();
                return args;
            }
            if (after.kind != Token::Kind::Separator)
                fail(after, QStringLiteral("expected ';' or ')' to close the '(' of line %1, "
                                           "found %2")
                                .arg(open.line)
                                .arg(describe(after)));
            next();
        }
    }

    static void bind(const Token& head, const CommandInfo& info, const std::vector<Argument>& args,
                     MacroStatement& s)
    {
        const QString name = QLatin1String(info.name);
        bool seen = false;
        for (const Argument& a : args) {
            const Token& at = a.name.kind == Token::Kind::End ? a.value : a.name;
            if (info.paramCount == 0)
                fail(at, QStringLiteral("'%1' takes no parameters").arg(name));
            const Param& p = info.params[0];
            if (a.name.kind != Token::Kind::End &&
                a.name.text.compare(QLatin1String(p.name), Qt::CaseInsensitive) != 0)
                fail(at, QStringLiteral("'%1' has no parameter '%2'").arg(name, a.name.text));
            if (seen)
                fail(at, QStringLiteral("'%1' takes one parameter, %2").arg(name, p.name));
            seen = true;
            value(a.value, p, name, s);
        }
        if (!seen && info.paramCount > 0 && info.params[0].required)
            fail(head,
                 QStringLiteral("'%1' needs its parameter %2").arg(name, info.params[0].name));
    }

    static void value(const Token& v, const Param& p, const QString& command, MacroStatement& s)
    {
        const QString where = QStringLiteral("%1 of '%2'").arg(QLatin1String(p.name), command);
        switch (p.type) {
        case ParamType::Text:
            if (v.kind != Token::Kind::String)
                fail(v, QStringLiteral("%1 must be a string").arg(where));
            s.text = v.text;
            return;
        case ParamType::State:
            if (!state(v, s.flag))
                fail(v,
                     QStringLiteral("%1 must be On!, Off!, Yes!, No!, True or False").arg(where));
            return;
        case ParamType::Count: {
            bool ok = false;
            s.count = v.text.toLongLong(&ok);
            if (v.kind != Token::Kind::Number || !ok)
                fail(v, QStringLiteral("%1 must be a whole number").arg(where));
            return;
        }
        case ParamType::Mode:
            // Regular! or Extended!: where else to look; a document here has only its text.
            if (v.kind != Token::Kind::Constant)
                fail(v, QStringLiteral("%1 must be a constant such as Extended!").arg(where));
            return;
        }
    }

    static bool state(const Token& v, bool& flag)
    {
        const auto any = [&](std::initializer_list<const char*> names) {
            for (const char* n : names)
                if (v.text.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
                    return true;
            return false;
        };
        const bool constant = v.kind == Token::Kind::Constant;
        const bool name = v.kind == Token::Kind::Name;
        if ((constant && any({"On", "Yes"})) || (name && any({"True"}))) {
            flag = true;
            return true;
        }
        if ((constant && any({"Off", "No"})) || (name && any({"False"}))) {
            flag = false;
            return true;
        }
        return false;
    }

    MacroCondition parenthesisedCondition()
    {
        expect(Token::Kind::Open, "'('");
        MacroCondition c = condition(0);
        expect(Token::Kind::Close, "')'");
        return c;
    }

    // Not <condition> | ( <condition> ) | True | False | SearchNext(...) | SearchPrevious(...)
    MacroCondition condition(int depth)
    {
        const Token t = next();
        if (depth > MaxNesting)
            fail(t, QStringLiteral("the condition is nested too deeply"));
        if (is(t, "Not")) {
            MacroCondition c = condition(depth + 1);
            c.negated = !c.negated;
            return c;
        }
        if (t.kind == Token::Kind::Open) {
            MacroCondition c = condition(depth + 1);
            expect(Token::Kind::Close, "')'");
            return c;
        }
        MacroCondition c;
        if (is(t, "True") || is(t, "False")) {
            c.value = is(t, "True");
            return c;
        }
        const CommandInfo* info = t.kind == Token::Kind::Name ? findCommand(t.text) : nullptr;
        if (info && (info->command == MacroCommand::SearchNext ||
                     info->command == MacroCommand::SearchPrevious)) {
            c.kind = info->command == MacroCommand::SearchNext
                         ? MacroCondition::Kind::SearchNext
                         : MacroCondition::Kind::SearchPrevious;
            MacroStatement ignored;
            bind(t, *info, arguments(), ignored);
            return c;
        }
        fail(t, QStringLiteral("expected a condition (SearchNext(), SearchPrevious(), True, "
                               "False or Not ...), found %1")
                    .arg(describe(t)));
    }

    std::vector<Token> m_tokens;
    size_t m_pos = 0;
};

} // namespace

MacroProgram parse(const QString& source)
{
    return Parser(Lexer(source).tokens()).program();
}

} // namespace engine::macro
