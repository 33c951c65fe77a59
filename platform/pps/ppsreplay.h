/*
 * Not API. The service side of a recording (see ppsrecording.h), played back: which recorded
 * request a live one stands for, what the service answered to it, and what the ordinary objects
 * held. qzppsreplay serves the recorded control objects with it; exported for tests and fuzzers,
 * never installed.
 */
#ifndef PPS_PPSREPLAY_H
#define PPS_PPSREPLAY_H

#include "ppsrecording.h"

#include <QVariantMap>

#include <memory>
#include <optional>
#include <utility>

namespace qz::pps {

class ReplayScriptPrivate;

/*!
    \brief The recorded conversations on each control object, ready to be answered again.

    A client's request (its write, as the server hands it to the service: one block, headers
    dropped) and the blocks that the service then addressed to that client, up to the client's
    next request on the object, make one exchange. Broadcasts, masked-whole messages and writes
    that do not decode are left out.

    A live request matches a recorded one on the same object with the same "msg" and the same
    shape: the same keys at every level, lists of the same length, values of the same kind
    (text, number, truth, null). Volatile values, those named "id" and those that read as a
    UUID (dialog and button identities), take no part; where they differ, the recorded ones are
    replaced by the live ones in the answers, so an answer names the live request and its live
    buttons. Among matches the first recorded one not yet answered is taken, preferring one whose
    other values are equal too; once all are answered, they are answered again.
*/
class QZPLATFORM_EXPORT ReplayScript
{
public:
    explicit ReplayScript(const QList<Record> &records);
    ~ReplayScript();

    /*! The control objects that the recording holds requests for, in the order they appear. */
    QList<QByteArray> servedObjects() const;
    /*! The ordinary objects the recording wrote, in the order they appear, each with the
        attributes the writes left it with, as PPS text. */
    QList<std::pair<QByteArray, QByteArray>> objectContents() const;

    /*!
        The recorded answers (possibly none, as for a cancel) to the request that \a request
        matches on \a path, each a block for the client that sent it. When none matches, logs a
        warning saying so and why, and returns nothing with the reason in \a why.
    */
    std::optional<QList<QVariantMap>> answer(const QByteArray &path, const QVariantMap &request,
                                             QString *why = nullptr);

    /*!
        An error answer to \a request telling \a why, shaped after the first error answer
        recorded on \a path (one with "err" or "errstr", or "res" or "msg" of "error"): its id is
        the request's, its error texts ("errstr", "errorText") say \a why. Empty when the
        recording holds no error answer there.
    */
    QVariantMap errorAnswer(const QByteArray &path, const QVariantMap &request,
                            const QString &why) const;

    ReplayScript(const ReplayScript &) = delete;
    ReplayScript &operator=(const ReplayScript &) = delete;

private:
    std::unique_ptr<ReplayScriptPrivate> const d;
};

} // namespace qz::pps

#endif
