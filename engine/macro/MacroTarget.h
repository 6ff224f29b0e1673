// Quillon engine: what a macro may do to a document.
#pragma once

#include <QString>

namespace engine::macro {

// Where a replacement starts.
enum class ReplaceScope {
    Document,           // every occurrence in the whole document
    FromInsertionPoint, // occurrences from the insertion point (or the selection's start) onwards
};

// The editing operations a playing macro can use, and the only way it reaches anything. The
// engine implements this over its document model.
//
// Contract, which every implementation keeps:
// - Positions count characters of the document's text, a hard return counting as one.
// - There is one insertion point and at most one selection (a range of text, made by findNext).
//   The selection's "start" and "end" are its first and one-past-last positions.
// - Text handed to insertText, findNext, countMatches and replaceAll never holds a line break:
//   the player turns line breaks of typed text into hardReturn calls and refuses them in search
//   and replacement text. Find text is never empty.
// - Case-insensitive matching compares simple case foldings, character by character.
// - Matches never overlap and are taken from left to right; a replacement's own text is never
//   searched again, so replacing "a" with "aa" ends.
// - Operations may throw; the player lets such exceptions pass to its caller unchanged.
class MacroTarget {
public:
    virtual ~MacroTarget() = default;

    // Inserts text at the insertion point, replacing the selection if there is one. The
    // insertion point ends after the inserted text; no selection remains.
    virtual void insertText(const QString& text) = 0;
    // Ends the paragraph at the insertion point (replacing the selection, as insertText).
    virtual void hardReturn() = 0;

    // Move the insertion point to the first or past the last position; the selection goes.
    virtual void moveToTop() = 0;
    virtual void moveToBottom() = 0;
    // With a selection: drop it, leaving the insertion point at its end (next) or its start
    // (previous). Without: move one position, doing nothing at either end of the document.
    virtual void moveCharNext() = 0;
    virtual void moveCharPrevious() = 0;

    // With a selection: delete the selected text. Without: delete the one character after
    // (next) or before (previous) the insertion point, doing nothing at either end.
    virtual void deleteCharNext() = 0;
    virtual void deleteCharPrevious() = 0;
    // Deletes the selected text; without a selection, does nothing.
    virtual void deleteSelection() = 0;
    // Drops the selection; the insertion point stays where it is.
    virtual void clearSelection() = 0;

    // Searches forward from the selection's end (or the insertion point), or backward for the
    // last match that ends at or before the selection's start (or the insertion point). On a
    // match: selects it and returns true (forward leaves the insertion point at the match's
    // end, backward at its start). Without a match: changes nothing and returns false.
    virtual bool findNext(const QString& text, bool caseSensitive, bool backward) = 0;

    // The number of matches replaceAll would replace, without changing anything.
    virtual qsizetype countMatches(const QString& find, bool caseSensitive,
                                   ReplaceScope scope) const = 0;
    // Replaces every match in scope and returns how many there were. When there were any, the
    // selection goes and the insertion point ends after the last replacement; otherwise
    // nothing changes.
    virtual qsizetype replaceAll(const QString& find, const QString& replacement,
                                 bool caseSensitive, ReplaceScope scope) = 0;

    // The document's length in positions (see above).
    virtual qsizetype textLength() const = 0;
};

} // namespace engine::macro
