// Quillon engine: where a page-less output shows each header and footer.
#pragma once

#include "Document.h"

#include <QSet>

#include <vector>

namespace engine {

// Headers and footers belong to page spans, and a page span is a run of pages that share
// paper, margins, headers and footers: the word processor starts a new one where any of them
// changes. An output without pages shows each header at the start of its span and each footer
// at the end of it, so a header appears where it takes effect and where it changes, once per
// span. One that is empty (suppressed or discontinued) shows nothing. Headers and footers of no
// span are shown before and after the body.
class PageFurniture final {
public:
    explicit PageFurniture(const Document& document);

    // Indices into Document::headersFooters, in document order.
    const std::vector<int>& atStart(int span) const;
    const std::vector<int>& atEnd(int span) const;
    // Those of the spans not among met (a body cut short never reaches them), in order.
    std::vector<int> unreached(const QSet<int>& met) const;
    const std::vector<int>& before() const { return m_before; }
    const std::vector<int>& after() const { return m_after; }

private:
    std::vector<std::vector<int>> m_start;
    std::vector<std::vector<int>> m_end;
    std::vector<int> m_before;
    std::vector<int> m_after;
};

} // namespace engine
