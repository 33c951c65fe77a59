#ifndef QZ_SYSTEM_INVOKETARGETFILTER_H
#define QZ_SYSTEM_INVOKETARGETFILTER_H

#include <qz/system/qzsystem_export.h>

#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>
#include <QStringList>

namespace qz::system {

class InvokeTargetFilterPrivate;

/*!
    \class qz::system::InvokeTargetFilter
    \brief One rule under which the platform offers a target for invocations.

    A filter lists actions, MIME types, URIs and file extensions, each in insertion order, and
    custom attributes, each a list of values, ordered by name. The add functions refuse duplicates
    (compared exactly, case-sensitively); actions and MIME types must also be well formed. Copies
    share their data until one of them is changed.
*/
class QZSYSTEM_EXPORT InvokeTargetFilter
{
    Q_GADGET
    Q_PROPERTY(QStringList actions READ actionList CONSTANT FINAL)
    Q_PROPERTY(QStringList mimeTypes READ mimeTypeList CONSTANT FINAL)
    Q_PROPERTY(QStringList uris READ uriList CONSTANT FINAL)
    Q_PROPERTY(QStringList fileExtensions READ fileExtensionList CONSTANT FINAL)
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
public:
    InvokeTargetFilter();
    InvokeTargetFilter(const InvokeTargetFilter &other);
    InvokeTargetFilter &operator=(const InvokeTargetFilter &other);
    ~InvokeTargetFilter();

    /*! True when the filter has at least one action and one MIME type. */
    bool isValid() const;

    /*!
        Appends \a action unless it is longer than 50 characters, is not a name of letters, digits
        and underscores in dot-separated parts beginning with a letter (no empty part, no trailing
        dot), or is listed already.
    */
    Q_INVOKABLE bool addAction(const QString &action);
    /*! Appends \a mimeType unless it is listed already or is none of: "*", a bare type, a type
        with the wildcard subtype, a type with a subtype. */
    Q_INVOKABLE bool addMimeType(const QString &mimeType);
    /*! Appends \a uri unless it is listed already. */
    Q_INVOKABLE bool addUri(const QString &uri);
    /*! Appends \a extension unless it is listed already. */
    Q_INVOKABLE bool addFileExtension(const QString &extension);
    /*! Appends \a value to the attribute \a name, creating it, unless the value is there already.
        Always true. */
    Q_INVOKABLE bool addCustomAttributeValue(const QString &name, const QString &value);

    /*! Each removes the first equal entry; true when one was removed. */
    Q_INVOKABLE bool removeAction(const QString &action);
    Q_INVOKABLE bool removeMimeType(const QString &mimeType);
    Q_INVOKABLE bool removeUri(const QString &uri);
    Q_INVOKABLE bool removeFileExtension(const QString &extension);
    /*! Removes the attribute \a name with all its values. */
    Q_INVOKABLE void removeCustomAttribute(const QString &name);
    /*! Removes the first value equal to \a value from the attribute \a name; the attribute stays,
        even when it has no values left. */
    Q_INVOKABLE void removeCustomAttributeValue(const QString &name, const QString &value);

    QStringList actionList() const;
    QStringList mimeTypeList() const;
    QStringList uriList() const;
    QStringList fileExtensionList() const;
    /*! In name order. */
    QStringList customAttributeNames() const;
    /*! Empty when there is no such attribute. */
    QStringList customAttributeList(const QString &name) const;

private:
    friend class InvokeTargetFilterPrivate;
    QSharedDataPointer<InvokeTargetFilterPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeTargetFilter)

#endif
