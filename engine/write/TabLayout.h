// Quillon engine: where the text after each tab of a paragraph goes.
#pragma once

#include "Document.h"
#include "FontFaces.h"

#include <vector>

namespace engine {

// A piece of a line laid out on tab stops: a box of a fixed width that starts where the piece
// before it ends (so that a stop's position does not depend on how wide a browser draws the
// text before it), or, with width 0, text that flows on and wraps as usual.
struct TabCell {
    enum class Align { Left, Right, Center };
    double width = 0; // points; 0: flowing text
    Align align = Align::Left;
    std::vector<Inline> content;
    bool tab = false; // a tab follows the content (the tab is kept for copies of the text)
    QString leader;   // what fills the gap after the content
    // How wide that gap is, in points; it may reach past the cell, over the empty start of a
    // cell whose text is right-aligned or centred.
    double leaderWidth = 0;
};

// One line of a paragraph (the paragraph's lines are separated by its line breaks).
struct TabLine {
    std::vector<TabCell> cells;
    // The line has tabs and its boxes fit; otherwise every cell flows and a tab is a gap.
    bool laidOut = false;
};

// Lays a paragraph's lines out on its tab stops as the word processor does: each tab goes to the
// first stop after the text before it; a left stop starts the text after the tab there, a right
// stop ends it there, a centre stop centres it there and a decimal stop puts its decimal
// character there. How wide text is comes from FontFaces. A line whose boxes would not fit into
// lineWidth is left to flow (laidOut false).
class TabLayout final {
public:
    // stops: the paragraph's stops, or nullptr for the default ones every half inch from the
    // paper's left edge, which lies origin points left of the paragraph's left indent.
    TabLayout(FontFaces& fonts, const TabStops* stops, double origin, double lineWidth);

    std::vector<TabLine> lines(const Paragraph& paragraph, double sizePt = 12);

private:
    struct Stop {
        double position = 0; // points from the paragraph's left indent
        TabStop::Kind kind = TabStop::Kind::Left;
        QChar decimal;
        QString leader;
    };
    Stop next(double after) const;
    double width(const std::vector<Inline>& items) const;
    TabLine layLine(std::vector<std::vector<Inline>> segments, double start) const;

    FontFaces& m_fonts;
    const TabStops* m_stops;
    double m_origin;
    double m_lineWidth;
    double m_size = 12;
};

} // namespace engine
