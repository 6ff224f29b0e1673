#include "MacroPlayer.h"

#include <QStringList>

namespace engine::macro {

namespace {

// A Quit anywhere ends the whole macro, without error.
struct QuitRequested {};

class Runner {
public:
    Runner(MacroTarget& target, const MacroLimits& limits) : m_target(target), m_limits(limits) {}

    void block(const std::vector<MacroStatement>& statements)
    {
        for (const MacroStatement& s : statements)
            statement(s);
    }

private:
    void step(int line)
    {
        if (++m_steps > m_limits.maxSteps)
            throw MacroError(line, QStringLiteral("the macro was stopped after %1 steps; does a "
                                                  "loop never end?")
                                       .arg(m_limits.maxSteps));
    }

    [[noreturn]] void tooLarge(int line) const
    {
        throw MacroError(line, QStringLiteral("the macro was stopped: the document would grow "
                                              "beyond %1 characters")
                                   .arg(m_limits.maxTextLength));
    }

    void mayGrowBy(int line, qsizetype growth)
    {
        if (growth > 0 && m_target.textLength() > m_limits.maxTextLength - growth)
            tooLarge(line);
    }

    const QString& searchText(int line) const
    {
        if (m_search.isEmpty())
            throw MacroError(line, QStringLiteral("nothing to search for: give "
                                                  "SearchString(StrgToLookFor: \"...\") first"));
        return m_search;
    }

    static void refuseLineBreaks(int line, const QString& text, const char* what)
    {
        if (text.contains(u'\n'))
            throw MacroError(
                line, QStringLiteral("the %1 cannot hold a line break").arg(QLatin1String(what)));
    }

    bool test(const MacroCondition& c, int line)
    {
        step(line);
        bool result = c.value;
        if (c.kind != MacroCondition::Kind::Constant)
            result = m_target.findNext(searchText(line), m_matchCase,
                                       c.kind == MacroCondition::Kind::SearchPrevious);
        return result != c.negated;
    }

    void statement(const MacroStatement& s)
    {
        switch (s.kind) {
        case MacroStatement::Kind::Command:
            step(s.line);
            command(s);
            return;
        case MacroStatement::Kind::If:
            block(test(s.condition, s.line) ? s.body : s.elseBody);
            return;
        case MacroStatement::Kind::While:
            while (test(s.condition, s.line))
                block(s.body);
            return;
        case MacroStatement::Kind::Repeat:
            do
                block(s.body);
            while (!test(s.condition, s.line));
            return;
        case MacroStatement::Kind::For:
            for (qint64 i = 0; i < s.count; ++i) {
                step(s.line);
                block(s.body);
            }
            return;
        }
    }

    void command(const MacroStatement& s)
    {
        switch (s.command) {
        case MacroCommand::Type:
            type(s.line, s.text);
            return;
        case MacroCommand::HardReturn:
            mayGrowBy(s.line, 1);
            m_target.hardReturn();
            return;
        case MacroCommand::PosDocTop:
            m_target.moveToTop();
            return;
        case MacroCommand::PosDocBottom:
            m_target.moveToBottom();
            return;
        case MacroCommand::PosCharNext:
            m_target.moveCharNext();
            return;
        case MacroCommand::PosCharPrevious:
            m_target.moveCharPrevious();
            return;
        case MacroCommand::DeleteCharNext:
            m_target.deleteCharNext();
            return;
        case MacroCommand::DeleteCharPrevious:
            m_target.deleteCharPrevious();
            return;
        case MacroCommand::SelectDelete:
            m_target.deleteSelection();
            return;
        case MacroCommand::SelectOff:
            m_target.clearSelection();
            return;
        case MacroCommand::SearchString:
            refuseLineBreaks(s.line, s.text, "search text");
            m_search = s.text;
            return;
        case MacroCommand::ReplaceString:
            refuseLineBreaks(s.line, s.text, "replacement text");
            m_replacement = s.text;
            return;
        case MacroCommand::MatchCase:
            m_matchCase = s.flag;
            return;
        case MacroCommand::SearchNext:
        case MacroCommand::SearchPrevious:
            // Not finding is no error: the same macro runs on documents with and without
            // the text.
            m_target.findNext(searchText(s.line), m_matchCase,
                              s.command == MacroCommand::SearchPrevious);
            return;
        case MacroCommand::ReplaceForward:
        case MacroCommand::ReplaceAll:
            replace(s.line, s.command == MacroCommand::ReplaceAll
                                ? ReplaceScope::Document
                                : ReplaceScope::FromInsertionPoint);
            return;
        case MacroCommand::Quit:
            throw QuitRequested{};
        }
    }

    void type(int line, const QString& text)
    {
        mayGrowBy(line, text.size());
        const QStringList paragraphs = text.split(u'\n');
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                m_target.hardReturn();
            if (!paragraphs[i].isEmpty())
                m_target.insertText(paragraphs[i]);
        }
    }

    void replace(int line, ReplaceScope scope)
    {
        const QString& find = searchText(line);
        const qsizetype growth = m_replacement.size() - find.size();
        if (growth > 0) {
            const qsizetype matches = m_target.countMatches(find, m_matchCase, scope);
            // Compared by division: matches * growth may not fit.
            if (matches > 0 && matches > (m_limits.maxTextLength - m_target.textLength()) / growth)
                tooLarge(line);
        }
        m_target.replaceAll(find, m_replacement, m_matchCase, scope);
    }

    MacroTarget& m_target;
    const MacroLimits& m_limits;
    qint64 m_steps = 0;
    QString m_search;
    QString m_replacement; // matches are deleted until a ReplaceString says otherwise
    bool m_matchCase = false;
};

} // namespace

void run(const MacroProgram& program, MacroTarget& target, const MacroLimits& limits)
{
    try {
        Runner(target, limits).block(program.statements);
    } catch (const QuitRequested&) {
    }
}

void MacroPlayer::play(const QString& source, MacroTarget& target)
{
    play(parse(source), target);
}

void MacroPlayer::play(const MacroProgram& program, MacroTarget& target)
{
    if (m_playing)
        throw MacroError(0, QStringLiteral("a macro is already playing"));
    struct Playing {
        bool& flag;
        explicit Playing(bool& f) : flag(f) { flag = true; }
        ~Playing() { flag = false; }
    } playing(m_playing);
    run(program, target, m_limits);
}

} // namespace engine::macro
