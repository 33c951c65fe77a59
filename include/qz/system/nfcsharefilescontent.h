#ifndef QZ_SYSTEM_NFCSHAREFILESCONTENT_H
#define QZ_SYSTEM_NFCSHAREFILESCONTENT_H

#include <qz/system/qzsystem_export.h>

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QUrl>

namespace qz::system {

class NfcShareFileRequestPrivate;

/*!
    \class qz::system::NfcShareFilesContent
    \brief Local files to share over NFC; they travel over Bluetooth or Wi-Fi Direct.

    The URLs are checked only when the files are sent. A value type; copies share their data until
    one is changed.
*/
class QZSYSTEM_EXPORT NfcShareFilesContent
{
    Q_GADGET
    Q_PROPERTY(QList<QUrl> fileUrls READ fileUrls WRITE setFileUrls FINAL)
public:
    NfcShareFilesContent();
    NfcShareFilesContent(const NfcShareFilesContent &other);
    NfcShareFilesContent &operator=(const NfcShareFilesContent &other);
    ~NfcShareFilesContent();

    /*! The files to send; empty by default. */
    QList<QUrl> fileUrls() const;
    void setFileUrls(const QList<QUrl> &fileUrls);

private:
    QSharedDataPointer<NfcShareFileRequestPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::NfcShareFilesContent)

#endif
