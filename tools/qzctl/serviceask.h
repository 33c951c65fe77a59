// One request to a service's control object and its answer, for the verbs that speak to a
// qzdevice service directly (settings and tools' requests outside the library).
#ifndef QZCTL_SERVICEASK_H
#define QZCTL_SERVICEASK_H

#include <QString>
#include <QVariantMap>

#include <optional>

/*! Writes msg::\a msg dat:json:\a dat to \a controlPath and waits up to \a timeoutMs for the
    answer headed res::\a msg; nothing, with \a problem said, when there is none. A refusal comes
    back as an answer with "err" and "errstr". */
std::optional<QVariantMap> askService(const QString &controlPath, const QString &msg,
                                      const QVariantMap &dat, int timeoutMs, QString *problem);

#endif
