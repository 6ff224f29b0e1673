// Quillon: what a published file records of the document it was made from.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <ctime>

namespace wire {

// The source of an output, written by the engine into every file it publishes and read back by
// the archive converter to decide whether an output is still the one of its document. Nothing in
// it depends on the moment of the conversion, so converting the same document twice gives the
// same bytes.
//
// HTML, in the head before the title:
//   <meta name="source" content="sub/a.wpd">
//   <meta name="source-size" content="17566">
//   <meta name="source-modified" content="2019-03-04T10:11:12.123456789Z">
//   <meta name="source-sha256" content="9f86d0...">
//   <meta name="publish-settings" content="html pictures=png styleSheet=embedded title=document">
// DocBook, in info after the title:
//   <biblioset relation="source"><bibliosource>sub/a.wpd</bibliosource>
//   <bibliomisc role="size">17566</bibliomisc><date role="modified">...</date>
//   <biblioid class="other" otherclass="sha256">9f86d0...</biblioid></biblioset>
//   <releaseinfo role="generator">quillon-engine 2.0.0.4</releaseinfo>
//   <releaseinfo role="publish-settings">xml quality=80</releaseinfo>
struct Provenance {
    QString source;   // the document's path as pathText gives it
    qint64 size = -1; // -1: unknown (not a regular file)
    QString modified; // its modification time, UTC, to the nanosecond
    QString sha256;   // of its bytes, lower-case hexadecimal
    QString generator;
    QString settings; // the publish settings, "xml quality=80"

    // Size, modification time and (withHash) SHA-256 of an open file. False when it is not a
    // regular file or cannot be read; what was learnt stays.
    bool describe(int fd, bool withHash);
    // The HTML meta elements and the DocBook info elements above, one a line.
    QString html() const;
    QString docBook() const;
    // What an output's beginning records; fields not found stay empty. The settings come last
    // in both formats, so a head that holds them holds everything.
    static Provenance read(QByteArrayView head);

    // A path as recorded: as it stands when it is UTF-8, except that '%', control characters,
    // noncharacters and bytes that are not UTF-8 become %XX, one for each byte. Every path has
    // exactly one such text and the text gives back the path; none of it is dropped on the way
    // into XML.
    static QString pathText(QByteArrayView path);
    static QString modifiedText(const timespec& time);
    static QString sha256Hex(QByteArrayView bytes);
};

} // namespace wire
