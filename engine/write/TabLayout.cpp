// Quillon engine: where the text after each tab of a paragraph goes.
#include "TabLayout.h"

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

constexpr double kPointsPerInch = 72;
constexpr double kDefaultStop = 36; // the default stops' distance, in points
constexpr double kCentreMargin = 3; // room on either side of centred text, in points

using Segment = std::vector<Inline>;

// A segment cut at its first decimal character: what comes before it and the rest.
std::pair<Segment, Segment> splitAtDecimal(const Segment& segment, QChar decimal, bool& found)
{
    Segment before;
    Segment after;
    found = false;
    for (const Inline& item : segment) {
        if (found) {
            after.push_back(item);
            continue;
        }
        const qsizetype at =
            item.kind == Inline::Kind::Text ? item.text.indexOf(decimal) : qsizetype(-1);
        if (at < 0) {
            before.push_back(item);
            continue;
        }
        found = true;
        if (at > 0) {
            Inline head = item;
            head.text = item.text.left(at);
            before.push_back(std::move(head));
        }
        Inline tail = item;
        tail.text = item.text.mid(at);
        after.push_back(std::move(tail));
    }
    return {std::move(before), std::move(after)};
}

} // namespace

TabLayout::TabLayout(FontFaces& fonts, const TabStops* stops, double origin, double lineWidth)
    : m_fonts(fonts), m_stops(stops && !stops->empty() ? stops : nullptr), m_origin(origin),
      m_lineWidth(lineWidth)
{
}

// The first stop strictly after a position: text that reached a stop goes on to the next.
// Past the last stop a tab is a space's width.
TabLayout::Stop TabLayout::next(double after) const
{
    Stop stop;
    if (!m_stops) {
        stop.position =
            (std::floor((after + m_origin) / kDefaultStop + 1e-6) + 1) * kDefaultStop - m_origin;
        return stop;
    }
    for (const TabStop& s : *m_stops) {
        if (s.position * kPointsPerInch > after + 0.01) {
            stop.position = s.position * kPointsPerInch;
            stop.kind = s.kind;
            stop.decimal = s.decimal;
            stop.leader = s.leader;
            return stop;
        }
    }
    stop.position = after + m_size / 4;
    return stop;
}

double TabLayout::width(const Segment& items) const
{
    double w = 0;
    for (const Inline& item : items) {
        if (item.kind == Inline::Kind::Text)
            w += m_fonts.width(item.text, item.format, m_size);
        else if (item.kind == Inline::Kind::NoteRef)
            w += m_size * 0.5; // a small raised number
    }
    return w;
}

std::vector<TabLine> TabLayout::lines(const Paragraph& paragraph, double sizePt)
{
    m_size = sizePt;
    std::vector<TabLine> out;
    std::vector<Segment> segments(1);
    double start = paragraph.format.textIndent * kPointsPerInch;
    auto endLine = [&]() {
        out.push_back(layLine(std::move(segments), start));
        segments.assign(1, Segment());
        start = 0;
    };
    for (const Inline& item : paragraph.inlines) {
        if (item.kind == Inline::Kind::LineBreak)
            endLine();
        else if (item.kind == Inline::Kind::Tab)
            segments.emplace_back();
        else
            segments.back().push_back(item);
    }
    endLine();
    return out;
}

// Cells between positions: `pos` is where the next cell starts, `left` the content that starts
// there (the text before the first tab, after a left stop, or after a decimal character).
TabLine TabLayout::layLine(std::vector<Segment> segments, double start) const
{
    TabLine line;
    auto flowing = [&line](Segment content) {
        TabCell cell;
        cell.content = std::move(content);
        line.cells.push_back(std::move(cell));
    };
    if (segments.size() < 2) {
        flowing(std::move(segments.front()));
        return line;
    }
    std::vector<Segment> original = segments;
    double pos = start;
    Segment left = std::move(segments.front());
    double leftWidth = width(left);
    for (size_t k = 1; k < segments.size(); ++k) {
        const double cur = pos + leftWidth;
        const Stop stop = next(cur);
        Segment& text = segments[k];
        TabCell before;
        before.tab = true;
        before.leader = stop.leader;
        if (stop.kind == TabStop::Kind::Left) {
            // (A stop within the room kept beside centred text starts its text past that room.)
            before.width = std::max(stop.position - pos, 0.0);
            before.content = std::move(left);
            before.leaderWidth = stop.position - cur;
            line.cells.push_back(std::move(before));
            pos = std::max(stop.position, pos);
            leftWidth = width(text);
            left = std::move(text);
            continue;
        }
        // Right, centre and decimal stops: the text ends, centres or has its decimal character
        // at the stop, but never starts before the text ahead of it ends. The cell ahead ends
        // between the two texts, so that either may be drawn a little wider than reckoned
        // without moving the other; a centred cell reaches as far past its text as before it.
        bool decimal = false;
        Segment rest;
        if (stop.kind == TabStop::Kind::Decimal) {
            auto [head, tail] = splitAtDecimal(text, stop.decimal, decimal);
            text = std::move(head);
            rest = std::move(tail);
        }
        const double w = width(text);
        const bool centre = stop.kind == TabStop::Kind::Center;
        const double begin = std::max(cur, stop.position - (centre ? w / 2 : w));
        const double mid = std::max(pos, centre ? begin - std::min((begin - cur) / 2, kCentreMargin)
                                                : cur + (begin - cur) / 2);
        before.width = mid - pos;
        before.content = std::move(left);
        // One leader across the whole gap, reaching on past the cell into the empty start of
        // the next.
        before.leaderWidth = begin - cur;
        line.cells.push_back(std::move(before));
        TabCell after;
        after.content = std::move(text);
        after.align = centre ? TabCell::Align::Center : TabCell::Align::Right;
        after.width = centre ? w + 2 * (begin - mid) : begin + w - mid;
        line.cells.push_back(std::move(after));
        pos = mid + line.cells.back().width;
        left = std::move(rest);
        // The next tab goes by where this text ends, not where its cell does.
        leftWidth = width(left) - (centre ? begin - mid : 0);
    }
    if (!left.empty())
        flowing(std::move(left));
    // Boxes that run past the line would not wrap: such a line flows as plain text, with a gap
    // for each tab, instead.
    line.laidOut = pos <= m_lineWidth + 0.5;
    if (!line.laidOut) {
        line.cells.clear();
        for (size_t k = 0; k < original.size(); ++k) {
            flowing(std::move(original[k]));
            line.cells.back().tab = k + 1 < original.size();
        }
    }
    return line;
}

} // namespace engine
