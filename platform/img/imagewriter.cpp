// The image library's writers: Qt's, each file written whole through QSaveFile.
#include "img/img.h"
#include "xrv/backend_p.h"

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>

namespace qz::platform {

namespace {

int fail(int result)
{
    errno = result;
    return -1;
}

QByteArray formatFor(const QString &path)
{
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    const QList<QByteArray> known = QImageWriter::supportedImageFormats();
    return known.contains(suffix) ? suffix : QByteArray();
}

class ImageWriterBackend : public Backend
{
public:
    int call(const QByteArray &name, const QVariantList &args, QVariantList *) override
    {
        if (name != "img_write_file")
            return 0; // attaching and detaching need nothing
        const QString path = QFile::decodeName(args.value(0).toByteArray());
        const int width = args.value(1).toInt();
        const int height = args.value(2).toInt();
        const qsizetype stride = qsizetype(args.value(3).toULongLong());
        const QByteArray pixels = args.value(5).toByteArray();
        if (width <= 0 || height <= 0 || stride < qsizetype(width) * 4 ||
            pixels.size() < stride * height)
            return fail(IMG_ERR_PARAM);
        const QByteArray format = formatFor(path);
        if (format.isEmpty())
            return fail(IMG_ERR_FORMAT);
        const QFileInfo info(path);
        if (info.isDir() || !QFileInfo(info.absolutePath()).isDir())
            return fail(IMG_ERR_IO);

        QImage image(reinterpret_cast<const uchar *>(pixels.constData()), width, height,
                     int(stride), QImage::Format_ARGB32);
        // Only PNG keeps alpha; the others get opaque pixels rather than a writer's guess.
        if (format != "png")
            image = image.convertToFormat(QImage::Format_RGB32);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return fail(IMG_ERR_IO);
        QImageWriter writer(&file, format);
        if (!writer.write(image)) {
            file.cancelWriting();
            return fail(writer.error() == QImageWriter::DeviceError ? IMG_ERR_IO
                                                                    : IMG_ERR_INTERNAL);
        }
        return file.commit() ? 0 : fail(IMG_ERR_IO);
    }
};

} // namespace

Backend *createImageWriterBackend()
{
    return new ImageWriterBackend;
}

} // namespace qz::platform
