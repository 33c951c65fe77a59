/*
 * Not API. Compact JSON straight between QVariant and UTF-8 text, for the "json" encoding of the
 * PPS text format. Going through QJsonDocument would build every container twice.
 */
#ifndef QZ_PPSJSON_P_H
#define QZ_PPSJSON_P_H

#include <QByteArray>
#include <QVariant>

namespace qz::pps {

/*! Appends the compact JSON text of \a value to \a out. Returns false (leaving \a out partly
    written) when the value holds something JSON cannot carry: a NaN or infinite number, or a type
    that is neither a container, a number, a bool nor convertible to a string, or nesting deeper
    than 256 containers. */
bool writeJson(QByteArray &out, const QVariant &value);

/*! Appends \a text as a JSON string literal, quotes included. */
void writeJsonString(QByteArray &out, const QByteArray &utf8);

/*!
    Parses one JSON value filling exactly [begin, end) (surrounding white space allowed). Objects
    become QVariantMap, arrays QVariantList, integers int (or qlonglong when larger), other numbers
    double, null an invalid QVariant. Returns false on malformed input or nesting deeper than 256.
*/
bool readJson(const char *begin, const char *end, QVariant *value);

} // namespace qz::pps

#endif
