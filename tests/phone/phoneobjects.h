// The phone service's side of the tests: writing and removing its line and call objects as raw
// PPS text.
#ifndef QZ_TESTS_PHONEOBJECTS_H
#define QZ_TESTS_PHONEOBJECTS_H

#include <qz/PpsObject>

#include <QString>

namespace phonetest {

inline const QString Phone = QStringLiteral("/pps/services/phone/");
inline const QString PrivateCalls = Phone + QStringLiteral("private/calls/");
inline const QString Lines = Phone + QStringLiteral("public/lines/");

/*! Writes \a text (attribute lines) into the object at \a path, creating it. */
inline bool publish(const QString &path, const QByteArray &text)
{
    qz::PpsObject object(path);
    return object.open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create) && object.write(text);
}

/*! Removes the object at \a path, as a service does when a call or line is gone. */
inline bool unpublish(const QString &path)
{
    qz::PpsObject object(path);
    return object.open(qz::PpsOpenMode::Publish) && object.remove();
}

} // namespace phonetest

#endif
