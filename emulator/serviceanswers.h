// The answers of the transfer services' control objects: res::<msg> id::<id> and either the
// result under "dat" or an errno number under "err" (with "errstr" where the service says why).
#ifndef QZDEVICE_SERVICEANSWERS_H
#define QZDEVICE_SERVICEANSWERS_H

#include <QVariantMap>

inline QVariantMap serviceAnswer(const QString &msg, const QVariant &id, const QVariant &dat)
{
    return {{QStringLiteral("res"), msg}, {QStringLiteral("id"), id}, {QStringLiteral("dat"), dat}};
}

inline QVariantMap serviceRefusal(const QString &msg, const QVariant &id, int error,
                                  const QString &why = {})
{
    QVariantMap refusal{
        {QStringLiteral("res"), msg}, {QStringLiteral("id"), id}, {QStringLiteral("err"), error}};
    if (!why.isEmpty())
        refusal.insert(QStringLiteral("errstr"), why);
    return refusal;
}

#endif
