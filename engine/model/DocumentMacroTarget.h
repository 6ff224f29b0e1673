// Quillon engine: what a macro edits, over the engine's document model.
#pragma once

#include "Document.h"
#include "MacroTarget.h"

#include <vector>

namespace engine {

// The document's main text as a macro sees it: every paragraph of the body in reading order,
// including those in lists, table cells and text boxes, one after the other with a hard return
// between two paragraphs. Headers, footers and notes are not part of it: only replacing in the
// whole document reaches them. A tab counts as one position
// ('\t'), and so does a line break (U+2028), a note reference or an embedded picture (U+FFFC);
// these never match search text but are deleted like characters.
//
// Typed and replacing text takes the character format and link of the text it goes into (the
// text before the insertion point, else after it). A hard return splits the paragraph, both
// parts keeping its paragraph format. Deleting a hard return joins two paragraphs when they are
// neighbours in one list item, cell, box or the body; at the edge of a table cell, list item or
// box it does nothing.
//
// The paragraphs are edited in a working copy and put back by commit(), which the caller calls
// once however playing ended.
class DocumentMacroTarget final : public macro::MacroTarget {
public:
    DocumentMacroTarget(Document& document, qsizetype insertionPoint);

    // Puts the edited paragraphs into the document. Does nothing when the macro changed no text.
    void commit();

    qsizetype insertionPoint() const { return m_cursor; }
    // The text as the macro sees it, hard returns as '\n'.
    QString text() const;

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
                           macro::ReplaceScope scope) const override;
    qsizetype replaceAll(const QString& find, const QString& replacement, bool caseSensitive,
                         macro::ReplaceScope scope) override;
    qsizetype textLength() const override { return m_total; }

private:
    // A paragraph being edited: its text and, per character, the atom it came from.
    struct Piece {
        int origin = 0; // the paragraph of the document it belongs to
        ParaFormat format;
        QString text;
        std::vector<int> atoms;
    };
    // A paragraph of the document: where it is, and how many pieces it has become.
    struct Origin {
        int container = 0;
        size_t index = 0;
        int pieces = 0;
    };
    // A list of blocks that holds paragraphs; originAt[i] is the origin of block i (-1 for other
    // blocks), and one more entry for a paragraph appended at the end.
    struct Container {
        Blocks* blocks = nullptr;
        std::vector<int> originAt;
    };
    struct Place {
        size_t piece = 0;
        qsizetype offset = 0;
    };

    void load();
    void collect(Blocks& blocks, int depth);
    Piece toPiece(const Paragraph& paragraph, int origin);
    Paragraph toParagraph(const Piece& piece) const;
    int textAtom(const Inline& run);
    bool isTextAtom(int atom) const;
    int atomForReplacing(const Piece& piece, qsizetype start, qsizetype length) const;
    QString placed(const QString& text) const;

    qsizetype pieceStart(size_t piece) const;
    Place locate(qsizetype position) const;
    qsizetype selectionStart() const { return qMin(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return qMax(m_anchor, m_cursor); }
    bool hasSelection() const { return m_anchor != m_cursor; }
    void replaceRange(qsizetype start, qsizetype length, const QString& text);
    void replaceSelection(const QString& text);
    bool joinable(size_t piece) const;
    void join(size_t piece);
    void changed(size_t fromPiece);
    qsizetype replaceIn(Piece& piece, qsizetype from, const QString& find,
                        const QString& replacement, Qt::CaseSensitivity cs, qsizetype& lastEnd);

    Document& m_document;
    std::vector<Container> m_containers;
    std::vector<Origin> m_origins;
    std::vector<Piece> m_pieces;
    std::vector<Piece> m_substructures; // paragraphs of headers, footers and notes
    std::vector<Inline> m_atoms;        // text atoms have kind Text, an empty text, format and link
    int m_plainAtom = 0;
    int m_tabAtom = 1;
    mutable std::vector<qsizetype> m_starts;
    mutable size_t m_startsValid = 0; // m_starts[0, m_startsValid) are right
    qsizetype m_total = 0;
    qsizetype m_cursor = 0;
    qsizetype m_anchor = 0;
    bool m_modified = false;
};

} // namespace engine
