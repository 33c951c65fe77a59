#ifndef QZ_SYSTEM_NFCSHAREDATACONTENT_H
#define QZ_SYSTEM_NFCSHAREDATACONTENT_H

#include <qz/system/qzsystem_export.h>

#include <QByteArray>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QString>
#include <QUrl>

namespace qz::system {

class NfcShareDataRequestPrivate;

/*!
    \class qz::system::NfcShareDataContent
    \brief A piece of data to share over NFC: text, a URI, a typed payload or a whole NDEF message.

    Nothing is checked when a field is set; the share manager checks the content when it is handed
    over. A value type; copies share their data until one is changed.
*/
class QZSYSTEM_EXPORT NfcShareDataContent
{
public:
    NfcShareDataContent();
    NfcShareDataContent(const NfcShareDataContent &other);
    NfcShareDataContent &operator=(const NfcShareDataContent &other);
    ~NfcShareDataContent();

    /*! The MIME type of data(); empty by default. */
    QString mimeType() const;
    void setMimeType(const QString &mimeType);

    /*! The payload; empty by default. */
    QByteArray data() const;
    void setData(const QByteArray &data);

    /*! A URI to share; empty by default. */
    QUrl uri() const;
    void setUri(const QUrl &uri);

private:
    QSharedDataPointer<NfcShareDataRequestPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::NfcShareDataContent)

#endif
