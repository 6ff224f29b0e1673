// Quillon engine: the bytes of librevenge's binary data properties (embedded pictures).
#pragma once

#include "Base64.h"

#include <QByteArray>

#include <librevenge/librevenge.h>

#include <cstring>
#include <limits>
#include <memory>
#include <optional>

namespace engine {

namespace binarydetail {

// librevenge's binary data property holds its data as a RVNGBinaryData (one pointer) right after
// its vtable pointer. The property's class is known by its vtable, and that layout is checked
// once on a property librevenge's own factory makes; if either does not hold, null, and the
// bytes come the supported way, through base64 text (which costs about a third more
// instructions on a document with a picture of half a megabyte). The model test fails when this
// librevenge is laid out otherwise.
inline const librevenge::RVNGBinaryData* heldData(const librevenge::RVNGProperty& property)
{
    struct Layout {
        const void* vtable = nullptr;
        bool holds = false;
    };
    static const Layout layout = [] {
        Layout l;
        static const unsigned char probe[] = {'Q', 'u', 'i', 'l', 'l', 'o', 'n'};
        const std::unique_ptr<librevenge::RVNGProperty> made(
            librevenge::RVNGPropertyFactory::newBinaryDataProp(probe, sizeof probe));
        if (!made || sizeof(librevenge::RVNGBinaryData) != sizeof(void*))
            return l;
        std::memcpy(&l.vtable, static_cast<const void*>(made.get()), sizeof l.vtable);
        const auto* data = reinterpret_cast<const librevenge::RVNGBinaryData*>(
            reinterpret_cast<const char*>(made.get()) + sizeof(void*));
        l.holds = data->size() == sizeof probe && data->getDataBuffer() &&
                  std::memcmp(data->getDataBuffer(), probe, sizeof probe) == 0;
        return l;
    }();
    const void* vtable = nullptr;
    std::memcpy(&vtable, static_cast<const void*>(&property), sizeof vtable);
    if (!layout.holds || vtable != layout.vtable)
        return nullptr;
    return reinterpret_cast<const librevenge::RVNGBinaryData*>(
        reinterpret_cast<const char*>(&property) + sizeof(void*));
}

} // namespace binarydetail

// The bytes of a binary data property ("office:binary-data"), or nothing when there are more
// than maxBytes. librevenge's interface gives them only as base64 text, whose making costs more
// than reading the rest of a document with a picture of a megabyte: they are copied from the
// property itself where it holds them as librevenge does, and decoded from that text otherwise
// (a property of another kind).
inline std::optional<QByteArray> binaryData(const librevenge::RVNGProperty& property,
                                            qsizetype maxBytes)
{
    if (const librevenge::RVNGBinaryData* data = binarydetail::heldData(property)) {
        if (static_cast<qsizetype>(data->size()) > maxBytes)
            return std::nullopt;
        return QByteArray(reinterpret_cast<const char*>(data->getDataBuffer()),
                          static_cast<qsizetype>(data->size()));
    }
    const librevenge::RVNGString base64 = property.getStr();
    if (static_cast<qsizetype>(base64.size() / 4 * 3) > maxBytes)
        return std::nullopt;
    return decodeBase64(base64.cstr(), static_cast<qsizetype>(base64.size()));
}

inline QByteArray binaryData(const librevenge::RVNGProperty& property)
{
    return binaryData(property, std::numeric_limits<qsizetype>::max()).value_or(QByteArray());
}

} // namespace engine
