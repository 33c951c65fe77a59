/*
 * Not API. Recordings of the traffic that passes a PPS server (qzppsd --record FILE), and reading
 * them back (qzppsreplay, tests). Exported for tests and tools; never installed.
 *
 * Format, version 1. Text, one record per line, each line ended by "\n":
 *
 *   qzpps-recording 1
 *   TIME FROM CONNECTION PATH BYTES
 *   ...
 *
 * The first line names the format and its version; a reader refuses any other. Every further line
 * is one message the server received, in the order it received them, as five fields separated by
 * single spaces:
 *
 *   TIME        when the server received it, UTC with milliseconds: 2026-12-06T21:44:17.123Z
 *   FROM        client   a client's write to a served control object (a request)
 *               server   the write of a control object's server; its blocks are headed
 *                        "@name.<client>" (to one client) or "@name" (to every client)
 *               object   a write to an ordinary object
 *   CONNECTION  the writer's client id, the one a server reads in "@name.<id>"; 0 for the server
 *               of a control object
 *   PATH        the object ("/pps/services/dialog/control"), escaped as BYTES and a space as \x20
 *   BYTES       the message exactly as written, escaped: "\\", "\n", "\r", "\t", and "\xHH" (two
 *               lower-case hex digits) for any other control byte, DEL, and any byte that is not
 *               part of well-formed UTF-8; every other byte as it is. So any message, binary
 *               included, reads back byte for byte. A field of just "\*" stands for a message
 *               masked whole (below).
 *
 * Private values never reach the file. Messages on objects that carry them are decoded attribute
 * by attribute (so no encoding hides a value: a "c" string, a JSON text with escapes, a top-level
 * attribute or one nested anywhere in a JSON value read alike), the private values are replaced
 * by the text "<masked>", and only the attribute lines that changed are written anew; the rest of
 * the message stays as written. What is private:
 *   - on the dialog service's control objects, any attribute or JSON member named "password" (the
 *     credentials prompt's answer, and the password its request starts the field with), and the
 *     "inputField" of a prompt whose request asked for a password or PIN keyboard, in that
 *     request, its updates and its answers;
 *   - on the context collector's control object, the strings of "args" in a request to anonymise
 *     a value (getCCLAnonymizedString, getCCLAnonymizedPIN): the clear value the application
 *     asked the collector to anonymise.
 * A message on one of those objects that does not decode as PPS text is masked whole.
 */
#ifndef PPS_PPSRECORDING_H
#define PPS_PPSRECORDING_H

#include <qz/qzplatform_export.h>

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class QIODevice;

namespace qz::pps {

struct QZPLATFORM_EXPORT Record
{
    enum class From { Client, Server, Object };

    QDateTime time;
    From from = From::Client;
    int connection = 0;
    QByteArray path;
    QByteArray bytes; // empty when masked
    bool masked = false;

    bool operator==(const Record &other) const;
};

namespace recording {

/*! The first line of a recording, without its line end. */
QZPLATFORM_EXPORT extern const char s_header[];
/*! What a private value becomes. */
QZPLATFORM_EXPORT extern const char s_maskMarker[];
/*! The longest record line a reader takes: a message of the largest size, every byte escaped. */
QZPLATFORM_EXPORT qsizetype maxLineSize();

/*! \a bytes in the escaped form of a BYTES field; with \a escapeSpaces, a PATH field. */
QZPLATFORM_EXPORT QByteArray escape(const QByteArray &bytes, bool escapeSpaces = false);
/*! The bytes an escaped field stands for; nothing when it is not a valid escaped field. */
QZPLATFORM_EXPORT std::optional<QByteArray> unescape(QByteArrayView field);

/*! One record line, line end included. */
QZPLATFORM_EXPORT QByteArray format(const Record &record);
/*! Reads one record line (without its line end); says why not in \a why. */
QZPLATFORM_EXPORT std::optional<Record> parse(QByteArrayView line, QString *why);

/*! Whether \a line of PPS text heads a block ("@name") or tells of one ("+@name", "-@name",
    "*@name", "#@name"): the lines a server never passes on from a client's write. */
QZPLATFORM_EXPORT bool isBlockLine(QByteArrayView line);

/*! Reads a whole recording; on the first fault, nothing, with the line and why in \a error. */
QZPLATFORM_EXPORT std::optional<QList<Record>> read(QIODevice &device, QString *error);

} // namespace recording

class MaskerPrivate;

/*!
    \brief Takes the private values out of messages before they are recorded (see above).

    Remembers which prompts asked for a password keyboard, so that their answers are masked too;
    one masker therefore sees every message of one server, in order.
*/
class QZPLATFORM_EXPORT Masker
{
public:
    Masker();
    ~Masker();

    /*! Whether messages on \a path can carry private values. */
    static bool guards(const QByteArray &path);

    /*! \a record with its private values masked: its bytes changed, or masked whole. */
    Record mask(Record record);

    Masker(const Masker &) = delete;
    Masker &operator=(const Masker &) = delete;

private:
    std::unique_ptr<MaskerPrivate> const d;
};

class RecorderPrivate;

/*!
    \brief Writes the messages a server receives to a recording file, masked.

    The file is made with mode 0600, or an existing one of this user's taken over, cut to nothing
    and set to 0600. A symbolic link at the path, a file that is not a regular one, one with
    further hard links or one of another user is refused, so a recording cannot be aimed at
    somebody else's file or made readable through an existing one. Each record is written as it
    comes, so a server that is killed leaves every record before it complete. When a write
    fails, the recorder says so once and records nothing more; the server keeps serving.
*/
class QZPLATFORM_EXPORT Recorder
{
public:
    Recorder();
    ~Recorder();

    /*! Starts \a fileName with the header line; false with the reason in \a error. */
    bool open(const QString &fileName, QString *error);
    bool isOpen() const;

    /*! Records one message received by the server: written to \a path by \a connection. */
    void record(const QByteArray &path, int connection, Record::From from, const QByteArray &bytes);

    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

private:
    std::unique_ptr<RecorderPrivate> const d;
};

} // namespace qz::pps

#endif
