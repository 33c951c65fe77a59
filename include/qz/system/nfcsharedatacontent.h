#ifndef QZ_SYSTEM_NFCSHAREDATACONTENT_H
#define QZ_SYSTEM_NFCSHAREDATACONTENT_H

#include <qz/system/qzsystem_export.h>

#include <QByteArray>
#include <QMetaType>
#include <QObject>
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
    Q_GADGET
    Q_PROPERTY(QString mimeType READ mimeType WRITE setMimeType FINAL)
    Q_PROPERTY(QByteArray data READ data WRITE setData FINAL)
    Q_PROPERTY(QUrl uri READ uri WRITE setUri FINAL)
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
