// Quillon's macro tests: a macro target over plain text, the reference the engine's target is
// checked against.
#pragma once

#include "MacroTarget.h"

namespace engine::macro {

// A document that is one QString, hard returns being '\n', with an insertion point and an
// optional selection: what each MacroTarget operation does, written as plainly as it can be.
class PlainTextTarget : public MacroTarget {
public:
    explicit PlainTextTarget(QString text = {}) : m_text(std::move(text)) {}

    const QString& text() const { return m_text; }
    qsizetype insertionPoint() const { return m_cursor; }
    bool hasSelection() const { return m_anchor != m_cursor; }
    // Places the insertion point (clamped to the text) and drops the selection.
    void setInsertionPoint(qsizetype position)
    {
        m_cursor = m_anchor = qBound(qsizetype(0), position, m_text.size());
    }

    void insertText(const QString& text) override { replaceSelection(text); }
    void hardReturn() override { replaceSelection(QStringLiteral("\n")); }
    void moveToTop() override { m_cursor = m_anchor = 0; }
    void moveToBottom() override { m_cursor = m_anchor = m_text.size(); }
    void moveCharNext() override;
    void moveCharPrevious() override;
    void deleteCharNext() override;
    void deleteCharPrevious() override;
    void deleteSelection() override { replaceSelection({}); }
    void clearSelection() override { m_anchor = m_cursor; }
    bool findNext(const QString& text, bool caseSensitive, bool backward) override;
    qsizetype countMatches(const QString& find, bool caseSensitive,
                           ReplaceScope scope) const override;
    qsizetype replaceAll(const QString& find, const QString& replacement, bool caseSensitive,
                         ReplaceScope scope) override;
    qsizetype textLength() const override { return m_text.size(); }

private:
    qsizetype selectionStart() const { return qMin(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return qMax(m_anchor, m_cursor); }
    qsizetype scopeStart(ReplaceScope scope) const
    {
        return scope == ReplaceScope::Document ? 0 : selectionStart();
    }
    // Puts text in place of the selection (at the insertion point when there is none) and the
    // insertion point after it.
    void replaceSelection(const QString& text);

    QString m_text;
    qsizetype m_cursor = 0;
    qsizetype m_anchor = 0; // equal to m_cursor when nothing is selected
};

} // namespace engine::macro
