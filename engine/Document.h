// Quillon engine: the document model that the reader records and the writers walk.
#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <variant>
#include <vector>

namespace engine {

// Character formatting of a run of text. Lengths are in points; colours are "#rrggbb" or empty.
struct CharFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool doubleUnderline = false;
    bool strikeout = false;
    bool superscript = false;
    bool subscript = false;
    bool smallCaps = false;
    bool outline = false;
    bool shadow = false;
    QString fontName;
    double fontSizePt = 0; // 0: inherited
    QString color;
    QString background;

    bool isPlain() const;
    bool operator==(const CharFormat& other) const;
    bool operator!=(const CharFormat& other) const { return !(*this == other); }
};

enum class Alignment { Default, Left, Center, Right, Justify };

// Paragraph formatting. Lengths are in inches; lineHeight is a multiple of single spacing
// (0: normal).
struct ParaFormat {
    Alignment align = Alignment::Default;
    double marginLeft = 0;
    double marginRight = 0;
    double marginTop = 0;
    double marginBottom = 0;
    double textIndent = 0;
    double lineHeight = 0;
    int outlineLevel = 0; // 1..6 for headings, 0 otherwise

    bool isPlain() const;
    bool operator==(const ParaFormat& other) const;
};

// One piece of a paragraph's content.
struct Inline {
    enum class Kind {
        Text,      // text in format
        Tab,       // a tab stop
        LineBreak, // a line break inside the paragraph
        NoteRef,   // the place of note number `note`
        Object,    // an embedded object (picture, equation): mimeType and data
    };
    Kind kind = Kind::Text;
    QString text;
    CharFormat format;
    int link = -1; // index into Document::links; consecutive inlines of one link form it
    int note = -1; // index into Document::notes for NoteRef
    QString mimeType;
    QByteArray data;

    static Inline textRun(QString text, CharFormat format = {}, int link = -1);
    static Inline of(Kind kind);
    static Inline noteRef(int note);
};

struct Block;
using Blocks = std::vector<Block>;

struct Paragraph {
    ParaFormat format;
    std::vector<Inline> inlines;
};

struct ListItem {
    Blocks blocks;
};

struct List {
    bool ordered = false;
    QString numFormat = QStringLiteral("1"); // "1", "a", "A", "i", "I"
    int start = 1;
    std::vector<ListItem> items;
};

struct TableCell {
    int colSpan = 1;
    int rowSpan = 1;
    // CSS border shorthands ("0.01in solid #000000") per side, empty for none.
    QString borderTop, borderRight, borderBottom, borderLeft;
    QString background;
    QString verticalAlign; // top, middle, bottom or empty
    Blocks blocks;
};

struct TableRow {
    bool header = false;
    std::vector<TableCell> cells;
};

struct Table {
    std::vector<double> columnWidths; // inches, may be empty
    std::vector<TableRow> rows;
};

struct PageBreak {};

// A box set apart from the flow: a text box or a comment.
struct Box {
    enum class Kind { TextBox, Comment };
    Kind kind = Kind::TextBox;
    Blocks blocks;
};

struct Block {
    std::variant<Paragraph, List, Table, PageBreak, Box> content;
};

struct Note {
    enum class Kind { Footnote, Endnote };
    Kind kind = Kind::Footnote;
    QString label;
    Blocks blocks;
};

struct HeaderFooter {
    bool footer = false;
    QString occurrence; // "all", "odd", "even", "first" or empty
    Blocks blocks;
};

// Document properties, by the plain names the writers use ("title", "creator", "subject",
// "keywords", "abstract", "date", "publisher", "language", ...), in the order they came.
using Metadata = std::vector<std::pair<QString, QString>>;

struct Document {
    Metadata metadata;
    Blocks body;
    std::vector<HeaderFooter> headersFooters;
    std::vector<Note> notes;
    std::vector<QString> links; // hrefs
    bool truncated = false;     // the reader stopped recording at a size limit

    QString property(const QString& name) const;
    // The document's title property, else fallback, else "Untitled document"; never empty.
    QString title(const QString& fallback) const;
    // True when the document holds no text, table or object anywhere.
    bool isBlank() const;
};

// A stretch of a paragraph's inlines that share one link (-1: none). Note references are never
// inside a link, so a writer can make the reference a link of its own.
struct InlineRange {
    size_t begin = 0;
    size_t end = 0;
    int link = -1;
};
std::vector<InlineRange> linkRanges(const std::vector<Inline>& inlines);

// How deep writers and the reader nest blocks (lists in cells in notes ...); deeper content is
// flattened into its container.
inline constexpr int kMaxNesting = 48;

} // namespace engine
