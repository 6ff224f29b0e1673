// Quillon engine: records librevenge's text callbacks into a Document.
#pragma once

#include "Document.h"
#include "ObjectObserver.h"

#include <librevenge/librevenge.h>

#include <optional>

namespace engine {

// Implements librevenge's text interface once and records what the parser reports into the
// Document it was given. Every open callback pushes a frame and the matching close pops it and
// hands its content to the frame below, so an unbalanced or unexpectedly nested stream of
// callbacks (damaged input) still yields a well-formed model. Nesting beyond kMaxNesting and
// content beyond the size limits is flattened or dropped, and Document::truncated is set.
class ModelBuilder final : public librevenge::RVNGTextInterface {
public:
    // The observer, when given, is told each embedded object as it is recorded.
    explicit ModelBuilder(Document& document, ObjectObserver* observer = nullptr);
    ~ModelBuilder() override;
    ModelBuilder(const ModelBuilder&) = delete;
    ModelBuilder& operator=(const ModelBuilder&) = delete;

    // Closes whatever is still open; called by endDocument and by the reader after a failure.
    void finish();

    void setDocumentMetaData(const librevenge::RVNGPropertyList& propList) override;
    void startDocument(const librevenge::RVNGPropertyList& propList) override;
    void endDocument() override;
    void definePageStyle(const librevenge::RVNGPropertyList&) override {}
    void defineEmbeddedFont(const librevenge::RVNGPropertyList&) override {}
    void openPageSpan(const librevenge::RVNGPropertyList& propList) override;
    void closePageSpan() override {}
    void openHeader(const librevenge::RVNGPropertyList& propList) override;
    void closeHeader() override;
    void openFooter(const librevenge::RVNGPropertyList& propList) override;
    void closeFooter() override;
    void defineParagraphStyle(const librevenge::RVNGPropertyList&) override {}
    void openParagraph(const librevenge::RVNGPropertyList& propList) override;
    void closeParagraph() override;
    void defineCharacterStyle(const librevenge::RVNGPropertyList&) override {}
    void openSpan(const librevenge::RVNGPropertyList& propList) override;
    void closeSpan() override;
    void openLink(const librevenge::RVNGPropertyList& propList) override;
    void closeLink() override;
    void defineSectionStyle(const librevenge::RVNGPropertyList&) override {}
    void openSection(const librevenge::RVNGPropertyList& propList) override;
    void closeSection() override;
    void insertTab() override;
    void insertSpace() override;
    void insertText(const librevenge::RVNGString& text) override;
    void insertLineBreak() override;
    void insertField(const librevenge::RVNGPropertyList& propList) override;
    void openOrderedListLevel(const librevenge::RVNGPropertyList& propList) override;
    void openUnorderedListLevel(const librevenge::RVNGPropertyList& propList) override;
    void closeOrderedListLevel() override;
    void closeUnorderedListLevel() override;
    void openListElement(const librevenge::RVNGPropertyList& propList) override;
    void closeListElement() override;
    void openFootnote(const librevenge::RVNGPropertyList& propList) override;
    void closeFootnote() override;
    void openEndnote(const librevenge::RVNGPropertyList& propList) override;
    void closeEndnote() override;
    void openComment(const librevenge::RVNGPropertyList& propList) override;
    void closeComment() override;
    void openTextBox(const librevenge::RVNGPropertyList& propList) override;
    void closeTextBox() override;
    void openTable(const librevenge::RVNGPropertyList& propList) override;
    void openTableRow(const librevenge::RVNGPropertyList& propList) override;
    void closeTableRow() override {}
    void openTableCell(const librevenge::RVNGPropertyList& propList) override;
    void closeTableCell() override;
    void insertCoveredTableCell(const librevenge::RVNGPropertyList&) override {}
    void closeTable() override;
    void openFrame(const librevenge::RVNGPropertyList& propList) override;
    void closeFrame() override;
    void insertBinaryObject(const librevenge::RVNGPropertyList& propList) override;
    void insertEquation(const librevenge::RVNGPropertyList&) override {}
    void openGroup(const librevenge::RVNGPropertyList&) override {}
    void closeGroup() override {}
    void defineGraphicStyle(const librevenge::RVNGPropertyList&) override {}
    void drawRectangle(const librevenge::RVNGPropertyList&) override {}
    void drawEllipse(const librevenge::RVNGPropertyList&) override {}
    void drawPolygon(const librevenge::RVNGPropertyList&) override {}
    void drawPolyline(const librevenge::RVNGPropertyList&) override {}
    void drawPath(const librevenge::RVNGPropertyList&) override {}
    void drawConnector(const librevenge::RVNGPropertyList&) override {}

private:
    enum class FrameKind { Body, Header, Footer, Note, List, Table, Cell, Box, Flattened };

    struct Frame {
        FrameKind kind = FrameKind::Body;
        FrameKind opened = FrameKind::Body; // what the matching close callback names
        Blocks blocks;
        Blocks after; // boxes and notes' overflow, placed after the open paragraph
        std::optional<Paragraph> paragraph;
        CharFormat span;
        int link = -1;
        int note = -1;
        HeaderFooter headerFooter;
        List list;
        Table table;
        TableCell cell;
        Box box;
    };

    Frame& top() { return m_frames.back(); }
    void pushFrame(FrameKind kind);
    void popFrame(FrameKind opened);
    void placeBlock(Frame& frame, Block block);
    Blocks& blockTarget(Frame& frame);
    void flushParagraph(Frame& frame);
    void ensureParagraph();
    void addInline(Inline item);
    bool roomFor(qsizetype characters);
    void openList(bool ordered, const librevenge::RVNGPropertyList& propList);
    void openNote(Note::Kind kind, const librevenge::RVNGPropertyList& propList);
    bool atBodyLevel() const { return m_frames.size() == 1; }
    void layoutMark(Block mark);
    int tabStopsOf(const librevenge::RVNGPropertyList& propList);

    Document& m_document;
    ObjectObserver* m_observer;
    std::vector<Frame> m_frames;
    qsizetype m_items = 0;
    qsizetype m_characters = 0;
    qsizetype m_objectBytes = 0;
    int m_span = -1;            // the page span open, -1 before the first
    TabStops m_stops;           // the last paragraph's, read into the same room
    Placement m_placement;      // of the frame open, for the picture or box in it
    bool m_sectionMark = false; // a section with columns or margins is open in the body
    bool m_finished = false;
};

} // namespace engine
