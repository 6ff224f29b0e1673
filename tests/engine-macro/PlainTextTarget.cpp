#include "PlainTextTarget.h"

namespace engine::macro {

namespace {

Qt::CaseSensitivity sensitivity(bool caseSensitive)
{
    return caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

} // namespace

void PlainTextTarget::replaceSelection(const QString& text)
{
    const qsizetype start = selectionStart();
    m_text.replace(start, selectionEnd() - start, text);
    m_cursor = m_anchor = start + text.size();
}

void PlainTextTarget::moveCharNext()
{
    if (hasSelection())
        m_cursor = m_anchor = selectionEnd();
    else if (m_cursor < m_text.size())
        m_anchor = ++m_cursor;
}

void PlainTextTarget::moveCharPrevious()
{
    if (hasSelection())
        m_cursor = m_anchor = selectionStart();
    else if (m_cursor > 0)
        m_anchor = --m_cursor;
}

void PlainTextTarget::deleteCharNext()
{
    if (hasSelection())
        replaceSelection({});
    else if (m_cursor < m_text.size())
        m_text.remove(m_cursor, 1);
}

void PlainTextTarget::deleteCharPrevious()
{
    if (hasSelection()) {
        replaceSelection({});
    } else if (m_cursor > 0) {
        m_anchor = --m_cursor;
        m_text.remove(m_cursor, 1);
    }
}

bool PlainTextTarget::findNext(const QString& text, bool caseSensitive, bool backward)
{
    if (text.isEmpty())
        return false;
    qsizetype at = -1;
    if (backward) {
        const qsizetype limit = selectionStart() - text.size(); // the match must end by here
        if (limit >= 0)
            at = m_text.lastIndexOf(text, limit, sensitivity(caseSensitive));
    } else {
        at = m_text.indexOf(text, selectionEnd(), sensitivity(caseSensitive));
    }
    if (at < 0)
        return false;
    if (backward) {
        m_anchor = at + text.size();
        m_cursor = at;
    } else {
        m_anchor = at;
        m_cursor = at + text.size();
    }
    return true;
}

qsizetype PlainTextTarget::countMatches(const QString& find, bool caseSensitive,
                                        ReplaceScope scope) const
{
    if (find.isEmpty())
        return 0;
    qsizetype count = 0;
    for (qsizetype at = m_text.indexOf(find, scopeStart(scope), sensitivity(caseSensitive));
         at >= 0; at = m_text.indexOf(find, at + find.size(), sensitivity(caseSensitive)))
        ++count;
    return count;
}

qsizetype PlainTextTarget::replaceAll(const QString& find, const QString& replacement,
                                      bool caseSensitive, ReplaceScope scope)
{
    if (find.isEmpty())
        return 0;
    // Built into a fresh string so that the replacement's own text is never searched again
    // and the work stays linear in the document's length.
    const Qt::CaseSensitivity cs = sensitivity(caseSensitive);
    qsizetype from = scopeStart(scope);
    qsizetype at = m_text.indexOf(find, from, cs);
    if (at < 0)
        return 0;
    QString result = m_text.left(from);
    qsizetype count = 0;
    qsizetype end = 0;
    for (; at >= 0; at = m_text.indexOf(find, from, cs)) {
        result += QStringView(m_text).mid(from, at - from);
        result += replacement;
        end = result.size();
        from = at + find.size();
        ++count;
    }
    result += QStringView(m_text).mid(from);
    m_text = std::move(result);
    m_cursor = m_anchor = end;
    return count;
}

} // namespace engine::macro
