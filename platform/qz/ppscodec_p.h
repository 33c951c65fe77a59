/*
 * Not API. The PPS text format, shared by qz::PpsObject's static codec, the libpps C codec and
 * the tools.
 *
 *   @name              starts an object block        +@name / -@name   created / deleted
 *   attr:enc:value     one attribute                 *@name / #@name   purged / truncated
 *   -attr              attribute deleted
 *
 * Encodings: "" raw string (rest of the line), "c" string with C escapes (\n \t \r \\), "n"
 * number, "b" true/false, "json" one JSON value on one line.
 */
#ifndef QZ_PPSCODEC_P_H
#define QZ_PPSCODEC_P_H

#include <qz/ppsattribute.h>

#include <QByteArray>
#include <QVariantMap>

namespace qz::pps {

/*! Appends one attribute line. Returns false when \a name cannot be written as an attribute name
    or \a value cannot be encoded. */
bool encodeAttribute(QByteArray &out, const QString &name, const QVariant &value);

/*! Plain keys first, in the map's order, then each "@name" key holding a map as an object block,
    so that no plain key falls under a block when read back. */
bool encodeMap(QByteArray &out, const QVariantMap &map);

/*! Decodes one attribute's value from its encoding and raw text. */
bool decodeValue(const char *encBegin, const char *encEnd, const char *begin, const char *end,
                 QVariant *value);

QVariantMap decode(const QByteArray &text, bool *ok);
PpsAttributeMap decodeWithFlags(const QByteArray &text, bool *ok);

} // namespace qz::pps

#endif
