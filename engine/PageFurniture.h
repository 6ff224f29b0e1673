// Quillon engine: where a page-less output shows each header and footer.
#pragma once

#include "Document.h"

#include <vector>

namespace engine {

// Headers and footers belong to page spans. An output without pages shows each where it takes
// effect: a header at the start of the first span of a run of spans that carry it, a footer at
// the end of the last span of such a run, once per change. A span whose header or footer is
// empty or missing (suppressed, discontinued) shows none and ends the run. Headers and footers
// of no span are shown before and after the body.
class PageFurniture final {
public:
    explicit PageFurniture(const Document& document);

    // Indices into Document::headersFooters, in document order.
    const std::vector<int>& atStart(int span) const;
    const std::vector<int>& atEnd(int span) const;
    const std::vector<int>& before() const { return m_before; }
    const std::vector<int>& after() const { return m_after; }

private:
    std::vector<std::vector<int>> m_start;
    std::vector<std::vector<int>> m_end;
    std::vector<int> m_before;
    std::vector<int> m_after;
};

} // namespace engine
