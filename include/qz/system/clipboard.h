#ifndef QZ_SYSTEM_CLIPBOARD_H
#define QZ_SYSTEM_CLIPBOARD_H

#include <qz/system/qzsystem_export.h>

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class ClipboardPrivate;

/*!
    \class qz::system::Clipboard
    \brief Typed data (MIME type to bytes) on the device clipboard.

    A clipboard made with a path reads and writes the clipboard at that path; every operation
    switches the platform's clipboard to it for its duration and back afterwards. Failures come
    back as false or an empty array; contains() and value() can also say whether access was
    denied. Nothing is logged.
*/
class QZSYSTEM_EXPORT Clipboard : public QObject
{
    Q_OBJECT
public:
    /*! The default clipboard. */
    explicit Clipboard(QObject *parent = nullptr);
    /*! The clipboard at \a path. */
    explicit Clipboard(const QString &path, QObject *parent = nullptr);
    ~Clipboard() override;

    /*! Whether data of \a type is present. When \a accessDenied is given and the platform was
        reached, it tells whether the failure was a refused access. */
    Q_INVOKABLE bool contains(const QString &type, bool *accessDenied = nullptr) const;
    /*! The data of \a type, or an empty array; \a accessDenied as for contains(). */
    Q_INVOKABLE QByteArray value(const QString &type, bool *accessDenied = nullptr) const;
    /*! Stores \a data as \a type; true when every byte was stored. */
    Q_INVOKABLE bool insert(const QString &type, const QByteArray &data);
    /*! Removes the data of \a type. */
    Q_INVOKABLE bool remove(const QString &type);
    /*! Removes the data of every type. */
    Q_INVOKABLE bool clear();

private:
    std::unique_ptr<ClipboardPrivate> const d;
};

} // namespace qz::system

#endif
