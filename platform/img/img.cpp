#include <img/img.h>

#include "xrv/backend_p.h"

#include <QByteArray>

#include <cerrno>

using namespace qz::platform;

// The library handle carries nothing: the writers are the backend's.
struct img_lib
{
};

namespace {

// A backend's failure comes with the result in errno; anything else is the library's own fault.
int result(int error)
{
    switch (error) {
    case IMG_ERR_PARAM:
    case IMG_ERR_MEM:
    case IMG_ERR_FORMAT:
    case IMG_ERR_IO:
    case IMG_ERR_DLL:
        return error;
    case ENOSYS:
        return IMG_ERR_DLL;
    default:
        return IMG_ERR_INTERNAL;
    }
}

} // namespace

extern "C" {

int img_lib_attach(img_lib_t *library)
{
    if (!library)
        return IMG_ERR_PARAM;
    if (forward(Service::Image, "img_lib_attach") != 0)
        return IMG_ERR_DLL;
    *library = new img_lib;
    return IMG_ERR_OK;
}

void img_lib_detach(img_lib_t library)
{
    if (!library)
        return;
    forward(Service::Image, "img_lib_detach");
    delete library;
}

int img_write_file(img_lib_t library, const char *path, void *options, const img_t *image)
{
    constexpr unsigned Needed = IMG_W | IMG_H | IMG_FORMAT | IMG_DIRECT;
    if (!library || !path || options || !image || (image->flags & Needed) != Needed ||
        !image->access.direct.data || image->w == 0 || image->h == 0 || image->w > 16384 ||
        image->h > 16384 || image->access.direct.stride < image->w * 4)
        return IMG_ERR_PARAM;
    if (image->format != IMG_FMT_RGBA8888)
        return IMG_ERR_FORMAT;
    const QByteArray pixels(reinterpret_cast<const char *>(image->access.direct.data),
                            qsizetype(image->access.direct.stride) * image->h);
    const QVariantList args{QByteArray(path), image->w,
                            image->h,         quint64(image->access.direct.stride),
                            image->format,    pixels};
    if (forward(Service::Image, "img_write_file", args) != 0)
        return result(errno);
    return IMG_ERR_OK;
}

} // extern "C"
