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

    bool operator==(const CharFormat& other) const;
    bool operator!=(const CharFormat& other) const { return !(*this == other); }
};

enum class Alignment { Default, Left, Center, Right, Justify };

// A tab stop: where text after a tab goes, in inches from the paragraph's left indent.
struct TabStop {
    enum class Kind { Left, Right, Center, Decimal };
    double position = 0;
    Kind kind = Kind::Left;
    QChar decimal = QLatin1Char('.'); // the character a decimal stop aligns
    QString leader;                   // what fills the gap before the text ("." dots), or empty

    bool operator==(const TabStop& other) const;
};
using TabStops = std::vector<TabStop>; // in order of position

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
    // Index into Document::tabStops; -1: the default stops, every half inch from the paper's
    // left edge.
    int tabStops = -1;
    bool columnBreak = false; // the paragraph starts a new column
};

// Where a picture or text box sits, from the frame around it: its size in inches (0: its own)
// and the side of the text column it keeps to, the text flowing beside it (None: in the line).
struct Placement {
    enum class Side { None, Left, Right };
    double width = 0;
    double height = 0;
    Side side = Side::None;
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
    Placement placement;     // of an Object
    bool pageNumber = false; // Text: a page number field, shown as "#"

    static Inline textRun(QString text, CharFormat format = {}, int link = -1);
    static Inline of(Kind kind);
    static Inline noteRef(int note);
};

struct Block;
using Blocks = std::vector<Block>;

struct Paragraph {
    ParaFormat format;
    std::vector<Inline> inlines;
    // The character format in force at the paragraph's end: an empty paragraph is a line of it.
    CharFormat endFormat;
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

// Marks in the body where the page layout changes; they hold no content. A page span starts a
// new page with the layout, headers and footers of Document::pageSpans[span]; a section starts
// the columns and margins of Document::sections[section], or with -1 ends the one before.
struct PageSpanStart {
    int span = 0;
};
struct SectionStart {
    int section = -1;
};

// A box set apart from the flow: a text box or a comment.
struct Box {
    enum class Kind { TextBox, Comment };
    Kind kind = Kind::TextBox;
    Blocks blocks;
    Placement placement;
};

struct Block {
    std::variant<Paragraph, List, Table, PageBreak, Box, PageSpanStart, SectionStart> content;
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
    int span = -1; // the page span (Document::pageSpans) it belongs to; -1: the whole document
};

// The pages of a page span: paper size and margins in inches, and how many pages it has.
struct PageLayout {
    double width = 8.5;
    double height = 11;
    double marginTop = 1;
    double marginRight = 1;
    double marginBottom = 1;
    double marginLeft = 1;
    int pages = 1;

    bool sameGeometry(const PageLayout& other) const;
};

// A section of the body: its columns (filled one after the other, as newspaper columns are),
// the gap between them and its own left and right margins, in inches.
struct Section {
    int columns = 1;
    double columnGap = 0;
    double marginLeft = 0;
    double marginRight = 0;
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
    std::vector<PageLayout> pageSpans;
    std::vector<Section> sections;
    std::vector<TabStops> tabStops; // the distinct sets of stops paragraphs use
    bool truncated = false;         // the reader stopped recording at a size limit
    // Why the file ends before its structure does ("the document is damaged: the file ends at
    // byte ..."), when it does: what could be read is all there is. Empty for a whole file.
    QString damage;

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
