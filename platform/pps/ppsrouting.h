/*
 * Not API. How messages on a control object are routed, shared by the PPS server and by the two
 * ends of a direct link between a client and the object's server, so that both paths apply the
 * same rules.
 */
#ifndef PPS_PPSROUTING_H
#define PPS_PPSROUTING_H

#include <qz/qzplatform_export.h>

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

namespace qz::pps {

/*! Calls \a f with each non-empty line of \a text, without copying. */
template<typename F> void forEachLine(QByteArrayView text, F f)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        if (end > start)
            f(text.sliced(start, end - start));
        start = end + 1;
    }
}

/*! A client's write as its server reads it: headed "@name.<clientId>", with the lines that would
    read as a header or a notice dropped, since those are the server's alone. */
QZPLATFORM_EXPORT QByteArray clientMessage(QByteArrayView name, int clientId, QByteArrayView text);

/*! The target of a block a server writes: every client, or the one with that id. */
constexpr int EveryClient = -1;

/*!
    Splits what a server writes to its control object \a name into blocks by their header lines:
    \a deliver gets each block's target (EveryClient for "@name" or no header, else the id of
    "@name.<id>") and its lines, without a header. Blocks headed with another name, and notice
    lines, are dropped.
*/
QZPLATFORM_EXPORT void
splitServerWrite(QByteArrayView name, QByteArrayView text,
                 const std::function<void(int target, const QByteArray &lines)> &deliver);

} // namespace qz::pps

#endif
