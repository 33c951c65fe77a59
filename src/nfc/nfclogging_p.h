/*
 * Not API. The logging category of the NFC sharing subsystem, and the hash that stands in for a
 * file name or URL in its log lines.
 */
#ifndef QZ_SYSTEM_NFCLOGGING_P_H
#define QZ_SYSTEM_NFCLOGGING_P_H

#include <QLoggingCategory>
#include <QString>
#include <QUrl>

namespace qz::system {

Q_DECLARE_LOGGING_CATEGORY(lcNfc)

/*! The SHA-1 digest of the UTF-8 text of \a text as 40 lowercase hexadecimal characters: what a
    log line prints in place of a file name or URL, so that lines can be matched without telling
    what was shared. */
QString nfcLogHash(const QString &text);
/*! nfcLogHash() of the unformatted string form of \a url. */
QString nfcLogHash(const QUrl &url);

} // namespace qz::system

#endif
