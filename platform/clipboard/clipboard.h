/*
 * The clipboard library: typed data (MIME type to bytes) shared by the processes of one user.
 *
 * Each clipboard path names one clipboard; the empty path is the default clipboard. The current
 * path is state of the calling process, set with set_clipboard_path(). Data is kept in files under
 * the user's clipboard store ($XDG_RUNTIME_DIR/qz/clipboard, else /tmp/qz-<uid>/clipboard), each
 * path and each type escaped into one file name, so no path or type can name a file outside the
 * store. Writes replace a type's data atomically: a reader sees the old bytes or the new ones.
 *
 * Every function returns -1 with errno set on failure:
 *   EACCES        the store (or a folder in it) is not the caller's, or is not a plain folder
 *   EINVAL        an empty type, a type or path with control characters, a null pointer
 *   ENAMETOOLONG  a type or path longer than the store can name
 *   ENOENT        no data of that type
 *   EFBIG         data larger than CLIPBOARD_MAX_DATA
 *   ERANGE        get_clipboard_path(): the buffer cannot hold the path and its NUL
 */
#ifndef QZ_CLIPBOARD_CLIPBOARD_H
#define QZ_CLIPBOARD_CLIPBOARD_H

#include <qz/qzplatform_export.h>

#ifdef __cplusplus
extern "C" {
#endif

/*! The most bytes one type's data may hold. */
#define CLIPBOARD_MAX_DATA (64 * 1024 * 1024)
/*! The longest clipboard path, in bytes. */
#define CLIPBOARD_MAX_PATH 1024

/*! Copies the current path and a NUL into \a buffer; returns the path's length. */
QZPLATFORM_EXPORT int get_clipboard_path(char *buffer, unsigned int size);
/*! Makes the \a length bytes at \a path the current path; a null path or length 0 selects the
    default clipboard. */
QZPLATFORM_EXPORT int set_clipboard_path(const char *path, unsigned int length);
/*! Stores \a size bytes as the data of \a type; returns the number of bytes stored. */
QZPLATFORM_EXPORT int set_clipboard_data(const char *type, unsigned int size, const char *data);
/*! The data of \a type: its length is returned; when above 0, \a *data points to a copy the
    caller releases with free(), else \a *data is null. */
QZPLATFORM_EXPORT int get_clipboard_data(const char *type, char **data);
/*! Removes the data of every type. */
QZPLATFORM_EXPORT int empty_clipboard(void);
/*! Removes the data of \a type; ENOENT when there was none. */
QZPLATFORM_EXPORT int empty_clipboard_by(const char *type);
/*! 0 when data of \a type is present, else -1 (ENOENT when simply absent). */
QZPLATFORM_EXPORT int is_clipboard_format_present(const char *type);

#ifdef __cplusplus
}
#endif

#endif
