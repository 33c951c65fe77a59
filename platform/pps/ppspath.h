/*
 * Not API. PPS paths as both ends read them: validation and suffixes.
 */
#ifndef PPS_PPSPATH_H
#define PPS_PPSPATH_H

#include <qz/qzplatform_export.h>

#include <QByteArray>
#include <QString>

namespace qz::pps {

struct QZPLATFORM_EXPORT Path
{
    QByteArray object;      // "/pps/a/b": the object, or the directory for ".all"
    bool directory = false; // ".all"
    bool delta = false;     // "?delta"
    bool wait = false;      // "?wait"
    bool server = false;    // "?server"

    /*! The last component of object ("b" of "/pps/a/b"). */
    QByteArray name() const;
    /*! The directory holding object ("/pps/a" of "/pps/a/b"). */
    QByteArray parent() const;

    /*!
        Parses \a text. Only absolute paths under "/pps/" are accepted, without empty, "." or ".."
        components, NUL or control characters, and with known suffixes only; the whole text is
        at most qz::PpsObject::MaxPathSize bytes and each component MaxNameSize. On failure
        returns false and says why in \a error.
    */
    static bool parse(const QByteArray &text, Path *path, QString *error);
};

} // namespace qz::pps

#endif
