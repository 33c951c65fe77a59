#ifndef QZ_SYSTEM_MENUITEMINVOKEPARAMS_H
#define QZ_SYSTEM_MENUITEMINVOKEPARAMS_H

#include <qz/system/filetransfermode.h>
#include <qz/system/invoketarget.h>
#include <qz/system/securityperimeter.h>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <memory>

namespace qz::system {

class MenuItemInvokeParamsPrivate;

/*!
    \class qz::system::MenuItemInvokeParams
    \brief The invocation a menu entry stands for, ready to be sent.

    Filled from the platform's menu; read-only to applications. Invalid until filled. Copies are
    independent.
*/
class QZSYSTEM_EXPORT MenuItemInvokeParams
{
    Q_GADGET
    Q_PROPERTY(qz::system::InvokeTarget::Type type READ type CONSTANT FINAL)
    Q_PROPERTY(QString target READ target CONSTANT FINAL)
    Q_PROPERTY(QString action READ action CONSTANT FINAL)
    Q_PROPERTY(QString mimeType READ mimeType CONSTANT FINAL)
    Q_PROPERTY(QUrl uri READ uri CONSTANT FINAL)
    Q_PROPERTY(QUrl uriMatch READ uriMatch CONSTANT FINAL)
    Q_PROPERTY(
        qz::system::FileTransferMode::Type fileTransferMode READ fileTransferMode CONSTANT FINAL)
    Q_PROPERTY(QByteArray data READ data CONSTANT FINAL)
    Q_PROPERTY(QVariantMap metadata READ metadata CONSTANT FINAL)
    Q_PROPERTY(qz::system::SecurityPerimeter::Type perimeter READ perimeter CONSTANT FINAL)
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
public:
    MenuItemInvokeParams();
    MenuItemInvokeParams(const MenuItemInvokeParams &other);
    MenuItemInvokeParams &operator=(const MenuItemInvokeParams &other);
    ~MenuItemInvokeParams();

    InvokeTarget::Type type() const;
    QString target() const;
    QString action() const;
    QString mimeType() const;
    QUrl uri() const;
    /*! The URI the target was matched on. */
    QUrl uriMatch() const;
    FileTransferMode::Type fileTransferMode() const;
    QByteArray data() const;
    QVariantMap metadata() const;
    SecurityPerimeter::Type perimeter() const;
    bool isValid() const;

private:
    friend class MenuItemInvokeParamsPrivate;
    std::unique_ptr<MenuItemInvokeParamsPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::MenuItemInvokeParams)

#endif
