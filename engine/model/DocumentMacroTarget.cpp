// Quillon engine: what a macro edits, over the engine's document model.
#include "DocumentMacroTarget.h"

#include <QStringList>

#include <algorithm>

namespace engine {
namespace {

constexpr char16_t kLineBreak = 0x2028;
constexpr char16_t kObject = 0xFFFC;

Qt::CaseSensitivity sensitivity(bool caseSensitive)
{
    return caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

} // namespace

DocumentMacroTarget::DocumentMacroTarget(Document& document, qsizetype insertionPoint)
    : m_document(document)
{
    m_atoms.push_back(Inline::textRun(QString()));    // m_plainAtom
    m_atoms.push_back(Inline::of(Inline::Kind::Tab)); // m_tabAtom
    load();
    m_cursor = m_anchor = qBound(qsizetype(0), insertionPoint, m_total);
}

void DocumentMacroTarget::load()
{
    m_containers.clear();
    m_origins.clear();
    m_pieces.clear();
    m_atoms.resize(2);
    m_startsValid = 0;
    collect(m_document.body, 0);
    // Headers, footers and notes: reached by replacing in the whole document only.
    std::vector<Piece> mainText = std::move(m_pieces);
    m_pieces.clear();
    for (HeaderFooter& hf : m_document.headersFooters)
        collect(hf.blocks, 1);
    for (Note& note : m_document.notes)
        collect(note.blocks, 1);
    m_substructures = std::move(m_pieces);
    m_pieces = std::move(mainText);
    if (m_pieces.empty()) {
        // A document without paragraphs: typing goes into a new one at the end of the body.
        const int origin = static_cast<int>(m_origins.size());
        Container& body = m_containers.front();
        body.originAt.back() = origin;
        m_origins.push_back({0, body.blocks->size(), 1});
        m_pieces.push_back(Piece{origin, {}, {}, {}});
    }
    m_total = static_cast<qsizetype>(m_pieces.size()) - 1;
    for (const Piece& p : m_pieces)
        m_total += p.text.size();
}

void DocumentMacroTarget::collect(Blocks& blocks, int depth)
{
    if (depth > kMaxNesting)
        return;
    const int container = static_cast<int>(m_containers.size());
    m_containers.push_back({&blocks, std::vector<int>(blocks.size() + 1, -1)});
    for (size_t i = 0; i < blocks.size(); ++i) {
        auto& content = blocks[i].content;
        if (auto* p = std::get_if<Paragraph>(&content)) {
            const int origin = static_cast<int>(m_origins.size());
            m_containers[static_cast<size_t>(container)].originAt[i] = origin;
            m_origins.push_back({container, i, 1});
            m_pieces.push_back(toPiece(*p, origin));
        } else if (auto* l = std::get_if<List>(&content)) {
            for (ListItem& item : l->items)
                collect(item.blocks, depth + 1);
        } else if (auto* t = std::get_if<Table>(&content)) {
            for (TableRow& row : t->rows) {
                for (TableCell& cell : row.cells)
                    collect(cell.blocks, depth + 1);
            }
        } else if (auto* box = std::get_if<Box>(&content)) {
            collect(box->blocks, depth + 1);
        }
    }
}

int DocumentMacroTarget::textAtom(const Inline& run)
{
    Inline atom = Inline::textRun(QString(), run.format, run.link);
    m_atoms.push_back(std::move(atom));
    return static_cast<int>(m_atoms.size()) - 1;
}

bool DocumentMacroTarget::isTextAtom(int atom) const
{
    return m_atoms[static_cast<size_t>(atom)].kind == Inline::Kind::Text;
}

DocumentMacroTarget::Piece DocumentMacroTarget::toPiece(const Paragraph& paragraph, int origin)
{
    Piece piece{origin, paragraph.format, {}, {}};
    for (const Inline& item : paragraph.inlines) {
        if (item.kind == Inline::Kind::Text) {
            if (item.text.isEmpty())
                continue;
            piece.text += item.text;
            piece.atoms.insert(piece.atoms.end(), static_cast<size_t>(item.text.size()),
                               textAtom(item));
            continue;
        }
        piece.text += item.kind == Inline::Kind::Tab         ? u'\t'
                      : item.kind == Inline::Kind::LineBreak ? QChar(kLineBreak)
                                                             : QChar(kObject);
        m_atoms.push_back(item);
        piece.atoms.push_back(static_cast<int>(m_atoms.size()) - 1);
    }
    return piece;
}

Paragraph DocumentMacroTarget::toParagraph(const Piece& piece) const
{
    Paragraph paragraph;
    paragraph.format = piece.format;
    const auto length = static_cast<size_t>(piece.text.size());
    for (size_t i = 0; i < length;) {
        const int atom = piece.atoms[i];
        const Inline& model = m_atoms[static_cast<size_t>(atom)];
        if (model.kind != Inline::Kind::Text) {
            paragraph.inlines.push_back(model);
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < length && piece.atoms[end] == atom)
            ++end;
        paragraph.inlines.push_back(Inline::textRun(
            piece.text.mid(static_cast<qsizetype>(i), static_cast<qsizetype>(end - i)),
            model.format, model.link));
        i = end;
    }
    return paragraph;
}

void DocumentMacroTarget::commit()
{
    if (!m_modified)
        return;
    m_modified = false;
    std::vector<std::vector<Paragraph>> byOrigin(m_origins.size());
    for (const Piece& piece : m_pieces)
        byOrigin[static_cast<size_t>(piece.origin)].push_back(toParagraph(piece));
    for (const Piece& piece : m_substructures)
        byOrigin[static_cast<size_t>(piece.origin)].push_back(toParagraph(piece));
    // Inner containers first: rebuilding a container moves the blocks that hold inner ones.
    for (auto c = m_containers.rbegin(); c != m_containers.rend(); ++c) {
        Blocks& blocks = *c->blocks;
        Blocks rebuilt;
        rebuilt.reserve(blocks.size());
        for (size_t i = 0; i <= blocks.size(); ++i) {
            const int origin = c->originAt[i];
            if (origin >= 0) {
                for (Paragraph& p : byOrigin[static_cast<size_t>(origin)])
                    rebuilt.push_back(Block{std::move(p)});
            } else if (i < blocks.size()) {
                rebuilt.push_back(std::move(blocks[i]));
            }
        }
        blocks = std::move(rebuilt);
    }
    // The working copy now describes the rebuilt document: start again from it.
    const qsizetype cursor = m_cursor;
    load();
    m_cursor = m_anchor = qMin(cursor, m_total);
}

QString DocumentMacroTarget::text() const
{
    QStringList parts;
    for (const Piece& p : m_pieces)
        parts << p.text;
    return parts.join(u'\n');
}

qsizetype DocumentMacroTarget::pieceStart(size_t piece) const
{
    if (m_starts.size() != m_pieces.size())
        m_starts.resize(m_pieces.size());
    if (m_startsValid == 0 && !m_pieces.empty()) {
        m_starts[0] = 0;
        m_startsValid = 1;
    }
    for (; m_startsValid <= piece; ++m_startsValid)
        m_starts[m_startsValid] =
            m_starts[m_startsValid - 1] + m_pieces[m_startsValid - 1].text.size() + 1;
    return m_starts[piece];
}

DocumentMacroTarget::Place DocumentMacroTarget::locate(qsizetype position) const
{
    pieceStart(m_pieces.size() - 1);
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), position);
    const auto piece =
        static_cast<size_t>(std::max<std::ptrdiff_t>(0, std::distance(m_starts.begin(), next) - 1));
    return {piece, position - m_starts[piece]};
}

void DocumentMacroTarget::changed(size_t fromPiece)
{
    m_startsValid = std::min(m_startsValid, fromPiece);
    m_modified = true;
}

int DocumentMacroTarget::atomForReplacing(const Piece& piece, qsizetype start,
                                          qsizetype length) const
{
    const auto at = static_cast<size_t>(start);
    if (length > 0 && isTextAtom(piece.atoms[at]))
        return piece.atoms[at];
    if (at > 0 && isTextAtom(piece.atoms[at - 1]))
        return piece.atoms[at - 1];
    if (at < piece.atoms.size() && isTextAtom(piece.atoms[at]))
        return piece.atoms[at];
    return m_plainAtom;
}

void DocumentMacroTarget::replaceRange(qsizetype start, qsizetype length, const QString& text)
{
    const Place place = locate(start);
    Piece& piece = m_pieces[place.piece];
    // A selection never holds a hard return (searches cannot match one); keep to the piece.
    length = qMin(length, piece.text.size() - place.offset);
    if (length == 0 && text.isEmpty())
        return;
    const int atom = atomForReplacing(piece, place.offset, length);
    piece.text.replace(place.offset, length, text);
    const auto first = piece.atoms.begin() + place.offset;
    piece.atoms.erase(first, first + length);
    std::vector<int> added(static_cast<size_t>(text.size()));
    for (size_t i = 0; i < added.size(); ++i)
        added[i] = text.at(static_cast<qsizetype>(i)) == u'\t' ? m_tabAtom : atom;
    piece.atoms.insert(piece.atoms.begin() + place.offset, added.begin(), added.end());
    m_total += text.size() - length;
    changed(place.piece + 1);
}

void DocumentMacroTarget::replaceSelection(const QString& text)
{
    const qsizetype start = selectionStart();
    replaceRange(start, selectionEnd() - start, text);
    m_cursor = m_anchor = start + text.size();
}

void DocumentMacroTarget::insertText(const QString& text)
{
    replaceSelection(text);
}

void DocumentMacroTarget::hardReturn()
{
    replaceSelection({});
    const Place place = locate(m_cursor);
    Piece& piece = m_pieces[place.piece];
    Piece tail{piece.origin, piece.format, piece.text.mid(place.offset),
               std::vector<int>(piece.atoms.begin() + place.offset, piece.atoms.end())};
    piece.text.truncate(place.offset);
    piece.atoms.resize(static_cast<size_t>(place.offset));
    ++m_origins[static_cast<size_t>(tail.origin)].pieces;
    m_pieces.insert(m_pieces.begin() + static_cast<std::ptrdiff_t>(place.piece) + 1,
                    std::move(tail));
    ++m_total;
    changed(place.piece + 1);
    m_cursor = m_anchor = m_cursor + 1;
}

void DocumentMacroTarget::moveToTop()
{
    m_cursor = m_anchor = 0;
}

void DocumentMacroTarget::moveToBottom()
{
    m_cursor = m_anchor = m_total;
}

void DocumentMacroTarget::moveCharNext()
{
    if (hasSelection())
        m_cursor = m_anchor = selectionEnd();
    else if (m_cursor < m_total)
        m_anchor = ++m_cursor;
}

void DocumentMacroTarget::moveCharPrevious()
{
    if (hasSelection())
        m_cursor = m_anchor = selectionStart();
    else if (m_cursor > 0)
        m_anchor = --m_cursor;
}

// Two neighbouring pieces join when they are parts of one paragraph, or paragraphs of one list of
// blocks with nothing but emptied paragraphs between them.
bool DocumentMacroTarget::joinable(size_t piece) const
{
    const Origin& a = m_origins[static_cast<size_t>(m_pieces[piece].origin)];
    const Origin& b = m_origins[static_cast<size_t>(m_pieces[piece + 1].origin)];
    if (&a == &b)
        return true;
    if (a.container != b.container)
        return false;
    const Container& c = m_containers[static_cast<size_t>(a.container)];
    for (size_t i = a.index + 1; i < b.index; ++i) {
        const int between = c.originAt[i];
        if (between < 0 || m_origins[static_cast<size_t>(between)].pieces > 0)
            return false;
    }
    return true;
}

void DocumentMacroTarget::join(size_t piece)
{
    Piece& first = m_pieces[piece];
    Piece& second = m_pieces[piece + 1];
    first.text += second.text;
    first.atoms.insert(first.atoms.end(), second.atoms.begin(), second.atoms.end());
    --m_origins[static_cast<size_t>(second.origin)].pieces;
    m_pieces.erase(m_pieces.begin() + static_cast<std::ptrdiff_t>(piece) + 1);
    --m_total;
    changed(piece + 1);
}

void DocumentMacroTarget::deleteCharNext()
{
    if (hasSelection()) {
        replaceSelection({});
        return;
    }
    if (m_cursor >= m_total)
        return;
    const Place place = locate(m_cursor);
    if (place.offset < m_pieces[place.piece].text.size())
        replaceRange(m_cursor, 1, {});
    else if (joinable(place.piece))
        join(place.piece);
}

void DocumentMacroTarget::deleteCharPrevious()
{
    if (hasSelection()) {
        replaceSelection({});
        return;
    }
    if (m_cursor <= 0)
        return;
    const Place place = locate(m_cursor);
    if (place.offset > 0) {
        replaceRange(m_cursor - 1, 1, {});
        m_anchor = --m_cursor;
    } else if (joinable(place.piece - 1)) {
        join(place.piece - 1);
        m_anchor = --m_cursor;
    }
}

void DocumentMacroTarget::deleteSelection()
{
    if (hasSelection())
        replaceSelection({});
}

void DocumentMacroTarget::clearSelection()
{
    m_anchor = m_cursor;
}

bool DocumentMacroTarget::findNext(const QString& text, bool caseSensitive, bool backward)
{
    if (text.isEmpty())
        return false;
    const Qt::CaseSensitivity cs = sensitivity(caseSensitive);
    if (!backward) {
        const Place place = locate(selectionEnd());
        for (size_t p = place.piece; p < m_pieces.size(); ++p) {
            const qsizetype at =
                m_pieces[p].text.indexOf(text, p == place.piece ? place.offset : 0, cs);
            if (at >= 0) {
                m_anchor = pieceStart(p) + at;
                m_cursor = m_anchor + text.size();
                return true;
            }
        }
        return false;
    }
    const Place place = locate(selectionStart());
    for (size_t p = place.piece + 1; p-- > 0;) {
        const QString& t = m_pieces[p].text;
        const qsizetype from = (p == place.piece ? place.offset : t.size()) - text.size();
        if (from < 0)
            continue;
        const qsizetype at = t.lastIndexOf(text, from, cs);
        if (at >= 0) {
            m_cursor = pieceStart(p) + at;
            m_anchor = m_cursor + text.size();
            return true;
        }
    }
    return false;
}

qsizetype DocumentMacroTarget::countMatches(const QString& find, bool caseSensitive,
                                            macro::ReplaceScope scope) const
{
    if (find.isEmpty())
        return 0;
    const Qt::CaseSensitivity cs = sensitivity(caseSensitive);
    const Place place =
        locate(scope == macro::ReplaceScope::Document ? qsizetype(0) : selectionStart());
    auto countIn = [&](const QString& t, qsizetype from) {
        qsizetype count = 0;
        for (qsizetype at = t.indexOf(find, from, cs); at >= 0;
             at = t.indexOf(find, at + find.size(), cs))
            ++count;
        return count;
    };
    qsizetype count = 0;
    for (size_t p = place.piece; p < m_pieces.size(); ++p)
        count += countIn(m_pieces[p].text, p == place.piece ? place.offset : 0);
    if (scope == macro::ReplaceScope::Document) {
        for (const Piece& piece : m_substructures)
            count += countIn(piece.text, 0);
    }
    return count;
}

qsizetype DocumentMacroTarget::replaceIn(Piece& piece, qsizetype from, const QString& find,
                                         const QString& replacement, Qt::CaseSensitivity cs,
                                         qsizetype& lastEnd)
{
    qsizetype at = piece.text.indexOf(find, from, cs);
    if (at < 0)
        return 0;
    // Built afresh, so that the replacement is never searched again and the work stays linear
    // in the paragraph's length.
    qsizetype count = 0;
    QString text = piece.text.left(from);
    std::vector<int> atoms(piece.atoms.begin(), piece.atoms.begin() + from);
    for (; at >= 0; at = piece.text.indexOf(find, from, cs)) {
        text += QStringView(piece.text).mid(from, at - from);
        atoms.insert(atoms.end(), piece.atoms.begin() + from, piece.atoms.begin() + at);
        const int atom = atomForReplacing(piece, at, find.size());
        for (const QChar ch : replacement)
            atoms.push_back(ch == u'\t' ? m_tabAtom : atom);
        text += replacement;
        from = at + find.size();
        lastEnd = text.size();
        ++count;
    }
    text += QStringView(piece.text).mid(from);
    atoms.insert(atoms.end(), piece.atoms.begin() + from, piece.atoms.end());
    piece.text = std::move(text);
    piece.atoms = std::move(atoms);
    m_modified = true;
    return count;
}

// Replacing in the whole document also replaces in headers, footers and notes; the insertion
// point goes after the last replacement in the main text (and stays where it was when there
// was none there).
qsizetype DocumentMacroTarget::replaceAll(const QString& find, const QString& replacement,
                                          bool caseSensitive, macro::ReplaceScope scope)
{
    if (find.isEmpty())
        return 0;
    const Qt::CaseSensitivity cs = sensitivity(caseSensitive);
    const Place place =
        locate(scope == macro::ReplaceScope::Document ? qsizetype(0) : selectionStart());
    qsizetype count = 0;
    qsizetype inBody = 0;
    size_t lastPiece = 0;
    qsizetype lastEnd = 0;
    for (size_t p = place.piece; p < m_pieces.size(); ++p) {
        Piece& piece = m_pieces[p];
        const qsizetype before = piece.text.size();
        const qsizetype found =
            replaceIn(piece, p == place.piece ? place.offset : 0, find, replacement, cs, lastEnd);
        if (found == 0)
            continue;
        m_total += piece.text.size() - before;
        inBody += found;
        lastPiece = p;
        changed(p + 1);
    }
    count += inBody;
    if (scope == macro::ReplaceScope::Document) {
        qsizetype ignored = 0;
        for (Piece& piece : m_substructures)
            count += replaceIn(piece, 0, find, replacement, cs, ignored);
    }
    if (inBody > 0)
        m_cursor = m_anchor = pieceStart(lastPiece) + lastEnd;
    else if (count > 0)
        m_anchor = m_cursor;
    return count;
}

} // namespace engine
