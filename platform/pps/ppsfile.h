/*
 * A PPS object as a file descriptor: what open(2) on "/pps/..." gives on the device. The
 * descriptor works with plain read(2), write(2), poll(2) and close(2):
 *
 *   - one write(2) is one message, taken as if written through a qz::PpsObject handle opened
 *     with the same path and flags (a control object's server receives it headed
 *     "@name.<client-id>");
 *   - one read(2) returns at most one message, in the PPS text format, as a
 *     qz::PpsObject handle would read it; a buffer smaller than the message gets its first bytes
 *     and the rest of that message is dropped;
 *   - "?wait" in the path makes reads block until a message arrives; without it a read with
 *     nothing pending fails with EAGAIN;
 *   - when the server of a control object goes away, reads return 0 (end of file);
 *   - a write the handle could not make (on a descriptor opened O_RDONLY, past the message limit
 *     of qz::PpsObject::MaxMessageSize) and a reader that falls a whole queue behind make the
 *     server close its end: reads return 0 from then on;
 *   - the descriptor is close-on-exec. A message larger than the system lets one socket packet
 *     be (its socket buffer limit) reaches the reader cut to that size, as a smaller buffer would.
 */
#ifndef PPS_PPSFILE_H
#define PPS_PPSFILE_H

#include <qz/qzplatform_export.h>

#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

/*!
    Opens \a path ("/pps/...", suffixes as for qz::PpsObject) with the open(2) \a flags
    (O_RDONLY, O_WRONLY or O_RDWR; O_CREAT and O_TRUNC as Create and DeleteContents) and the
    creation \a mode. Returns a descriptor, or -1 with errno set: ENOENT for a missing object,
    EACCES when refused, ECONNREFUSED when no PPS server runs, EINVAL for a bad path.
*/
QZPLATFORM_EXPORT int pps_open(const char *path, int flags, mode_t mode);

#ifdef __cplusplus
}
#endif

#endif
