#ifndef QZ_SYSTEM_PHONE_LINE_H
#define QZ_SYSTEM_PHONE_LINE_H

#include <qz/system/phone/phoneenums.h>

#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>

namespace qz::system::phone {

class LinePrivate;
class Phone;
class PhonePrivate;

/*!
    \class qz::system::phone::Line
    \brief A snapshot of one line of the phone service ("cellular", "vchat", ...).

    A default line is invalid and has every text empty. Copies share their data until one
    changes.
*/
class QZSYSTEM_EXPORT Line
{
    Q_GADGET
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
    Q_PROPERTY(QString id READ id CONSTANT FINAL)
    Q_PROPERTY(QString address READ address CONSTANT FINAL)
    Q_PROPERTY(QString description READ description CONSTANT FINAL)
    Q_PROPERTY(qz::system::phone::LineType::Type type READ type CONSTANT FINAL)
public:
    Line();
    Line(const Line &other);
    Line &operator=(const Line &other);
    ~Line();

    /*! Whether the line has an id. */
    bool isValid() const;
    /*! The name of the line's object, for example "cellular". */
    QString id() const;
    /*! The address of this device on the line (a number, a PIN). */
    QString address() const;
    /*! The friendly name, else the id. */
    QString description() const;
    /*! The type that the id names; Invalid for an invalid line or an unknown id. */
    LineType::Type type() const;

    /*! Both valid, with the same id and address. */
    bool operator==(const Line &other) const;
    bool operator!=(const Line &other) const { return !(*this == other); }

private:
    friend class Phone;
    friend class PhonePrivate;
    explicit Line(const QSharedDataPointer<LinePrivate> &data);
    QSharedDataPointer<LinePrivate> d;
};

} // namespace qz::system::phone

Q_DECLARE_METATYPE(qz::system::phone::Line)

#endif
