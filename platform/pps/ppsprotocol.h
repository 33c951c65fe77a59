/*
 * Not API. The socket protocol between qz::PpsObject and the PPS server: frames of a 4-byte
 * length (native order), a 1-byte type and the payload.
 *
 *   client -> server   'O' open (u32 open word, path text)   'W' write (PPS text)   'X' remove
 *                      'F' open as a file (as 'O'); its answer carries a descriptor (SCM_RIGHTS)
 *   server -> client   'A' answer (u32 errno, text)          'D' data (PPS text)
 *                      'E' error (u32 errno, text); the server closes the connection after it
 *
 * Those frames make the connection one handle. qz::PpsObject instead shares one connection among
 * all the handles of a thread, so that opening one costs no connect: the same frames in lower case
 * carry a u32 handle id before their payload ('o', 'w', 'x' and 'c' to close; 'a', 'd' and 'e').
 * The client picks the ids, each larger than the last on that connection, so that no late frame
 * of a closed handle can be taken for a newer one. An 'e' ends only its handle; an 'E' ends the
 * connection and with it every handle. A failed open leaves no handle behind on either side.
 *
 * 'l' carries a descriptor: one end of a stream socket pair linking a client of a control object
 * with the object's server. To the client it answers the open (u32 errno 0); to the server's
 * handle it announces the client (u32 client id, u32 open mode). Over the link the client sends
 * 'w' frames and the server 'd' frames, both for handle 1; either end closes it to leave.
 *
 * The descriptor that answers 'F' is one end of a SOCK_SEQPACKET pair whose other end the server
 * serves as a handle opened with that path: each packet is one message of bare PPS text, no
 * frames, and the server simply closes its end where a handle would get an 'E' frame.
 */
#ifndef PPS_PPSPROTOCOL_H
#define PPS_PPSPROTOCOL_H

#include <qz/qzplatform_export.h>

#include <QByteArray>
#include <QString>

#include <QLoggingCategory>

#include <cstdint>

namespace qz::pps {

Q_DECLARE_LOGGING_CATEGORY(lcPps)

enum FrameType : char {
    FrameOpen = 'O',
    FrameWrite = 'W',
    FrameRemove = 'X',
    FrameOpenFile = 'F',
    FrameAnswer = 'A',
    FrameData = 'D',
    FrameError = 'E',
    // Handle-addressed frames of a shared connection.
    HandleOpen = 'o',
    HandleWrite = 'w',
    HandleRemove = 'x',
    HandleClose = 'c',
    HandleAnswer = 'a',
    HandleData = 'd',
    HandleError = 'e',
    HandleLink = 'l',
};

/*
 * The open word: PpsOpenMode flags in the low 16 bits; with OpenCreateModeGiven set, bits 16-24
 * carry the mode bits that an object created by this open gets (else 0666).
 */
constexpr uint32_t OpenFlagsMask = 0xffff;
constexpr uint32_t OpenCreateModeGiven = 0x80000000u;
constexpr int OpenCreateModeShift = 16;

constexpr qsizetype FrameHeaderSize = 5;
/*! How long a client waits for the answer to an open or a remove. */
constexpr int AnswerTimeoutMs = 10000;
/*! Large enough for a whole directory's content; single writes are capped far lower. */
constexpr qsizetype MaxFrameSize = 64 * 1024 * 1024;
/*! The most handles one shared connection may hold open; an open past it fails with EMFILE, as
    an open past the descriptor limit would. */
constexpr qsizetype MaxHandlesPerConnection = 16384;
/*! The most clients one control object's server is linked with directly; the rest are relayed. */
constexpr int MaxLinksPerServer = 256;

struct Frame
{
    char type = 0;
    QByteArray payload;
};

QZPLATFORM_EXPORT void appendFrame(QByteArray &out, char type, const char *data, qsizetype size);
QZPLATFORM_EXPORT void appendFrame(QByteArray &out, char type, const QByteArray &payload);
/*! A handle-addressed frame: \a handle, then the payload. */
QZPLATFORM_EXPORT void appendHandleFrame(QByteArray &out, char type, uint32_t handle,
                                         const char *data, qsizetype size);
/*! The handle id at the front of a handle-addressed frame's payload; false when it is too short. */
QZPLATFORM_EXPORT bool takeHandle(const QByteArray &payload, uint32_t *handle);
/*! The payload of an 'A' or 'E' frame. */
QZPLATFORM_EXPORT QByteArray statusPayload(int error, const QString &text);
QZPLATFORM_EXPORT bool parseStatus(const QByteArray &payload, int *error, QString *text);

/*!
    Takes one complete frame from the front of \a buffer (starting at \a *offset, which advances).
    Returns 1 when a frame was taken, 0 when more bytes are needed, -1 as soon as the next frame
    announces more than \a maxSize bytes.
*/
QZPLATFORM_EXPORT int takeFrame(const QByteArray &buffer, qsizetype *offset, Frame *frame,
                                qsizetype maxSize = MaxFrameSize);

/*! $QZ_PPS_SOCKET, else $XDG_RUNTIME_DIR/qz/pps.sock, else /tmp/qz-<uid>/pps.sock. */
QZPLATFORM_EXPORT QString defaultSocketPath();

/*!
    Connects to the server at defaultSocketPath(). Only a server running as this user or as root
    is trusted with what the client writes. Returns a blocking, close-on-exec stream socket, or -1
    with an errno number in \a error and its explanation in \a text.
*/
QZPLATFORM_EXPORT int connectToServer(int *error, QString *text);

} // namespace qz::pps

#endif
