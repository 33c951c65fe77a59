#include "nfclogging_p.h"

#include <QCryptographicHash>

namespace qz::system {

Q_LOGGING_CATEGORY(lcNfc, "qz.system.nfc")

QString nfcLogHash(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex());
}

QString nfcLogHash(const QUrl &url)
{
    return nfcLogHash(url.toString());
}

} // namespace qz::system
