// Quillon engine: SVG pictures stripped of every reference to something outside them (picture
// module only).
#pragma once

#include <QByteArray>

#include <functional>

namespace engine::svg {

// The SVG rewritten so that drawing it reads nothing but its own bytes: no document type (and so
// no entity from outside), no processing instruction (a style sheet named by
// "xml-stylesheet"), no xml:base, and every link attribute ("href" in any namespace) that does
// not point into the picture itself ("#id") removed. An image element is kept only when its
// link is a base64 "data:" URL whose bytes `embeddable` accepts; any other is left out, with all
// it holds. Empty when the SVG is not well-formed XML.
QByteArray withoutReferences(const QByteArray& svg,
                             const std::function<bool(const QByteArray&)>& embeddable);

} // namespace engine::svg
