// Quillon's macro tests: a macro target over plain text, the reference the engine's target is
// checked against.
#pragma once

#include "MacroTarget.h"

namespace engine::macro {

// A document that is one QString, hard returns being '\n', with an insertion point and an
// optional selection: what each MacroTarget operation does, written as plainly as it can be.
class PlainTextTarget : public MacroTarget {
public:
    explicit PlainTextTarget(QString text = {});

    const QString& text() const { return m_text; }
    qsizetype insertionPoint() const { return m_cursor; }
    bool hasSelection() const { return m_anchor != m_cursor; }
    // Places the insertion point (clamped to the text) and drops the selection.
    void setInsertionPoint(qsizetype position);

    void insertText(const QString& text) override;
    void hardReturn() override;
    void moveToTop() override;
    void moveToBottom() override;
    void moveCharNext() override;
    void moveCharPrevious() override;
    void deleteCharNext() override;
    void deleteCharPrevious() override;
    void deleteSelection() override;
    void clearSelection() override;
    bool findNext(const QString& text, bool caseSensitive, bool backward) override;
    qsizetype countMatches(const QString& find, bool caseSensitive,
                           ReplaceScope scope) const override;
    qsizetype replaceAll(const QString& find, const QString& replacement, bool caseSensitive,
                         ReplaceScope scope) override;
    qsizetype textLength() const override { return m_text.size(); }

private:
    qsizetype selectionStart() const { return qMin(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return qMax(m_anchor, m_cursor); }
    qsizetype scopeStart(ReplaceScope scope) const;
    void replaceSelection(const QString& text);

    QString m_text;
    qsizetype m_cursor = 0;
    qsizetype m_anchor = 0; // equal to m_cursor when nothing is selected
};

} // namespace engine::macro
