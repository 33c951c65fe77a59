#include "devicelogging_p.h"
#include "screenshot_p.h"

#include <qz/system/screenshot.h>

#include <img/img.h>
#include <qz/PpsObject>
#include <qz/UIToolkitSupport>

#include <QDebug>

#include <cerrno>
#include <memory>

namespace qz::system {

const QString ScreenshotPrivate::s_controlPath =
    QStringLiteral("/pps/services/multimedia/screencapture/control");

namespace {

// Result numbers of the screen-capture service and of the image library.
constexpr int ServiceBadFilePath = 4017;
constexpr int ServiceUnsupportedFileType = 4018;
constexpr int ServiceUserDeclined = 4019;

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

} // namespace

QString ScreenshotPrivate::captureDisplay(const QVariantMap &dat)
{
    // Destroyed on every path.
    const std::unique_ptr<qz::PpsObject> control = std::make_unique<qz::PpsObject>(s_controlPath);
    if (!control->open(qz::PpsOpenMode::PublishSubscribe)) {
        qCWarning(lcDevice, "Screenshot: Unable to open screenshot control PPS");
        error = ScreenshotError::PermissionDenied;
        return {};
    }
    control->setBlocking(true);
    if (const int result = control->writeMessage(key("screenPhotoSave"), key("0"), dat)) {
        qCWarning(lcDevice).nospace()
            << "Screenshot: Unable to write to screenshot control PPS.  Error=" << result;
        error = ScreenshotError::InternalError;
        return {};
    }
    bool ok = false;
    const QByteArray reply = control->read(&ok);
    if (!ok) {
        qCWarning(lcDevice, "Screenshot: Unable to read from screenshot control PPS.");
        error = ScreenshotError::InternalError;
        return {};
    }
    const QVariantMap decoded = qz::PpsObject::decode(reply, &ok);
    const QVariant object = decoded.value(key("@control"));
    if (!ok || object.typeId() != QMetaType::QVariantMap) {
        qCWarning(lcDevice, "Screenshot: Unable to decode response from screenshot control PPS.");
        error = ScreenshotError::InternalError;
        return {};
    }
    const QVariantMap response = object.toMap();
    const int err = response.value(key("err")).toInt();
    if (err == 0) {
        error = ScreenshotError::None;
        return response.value(key("dat")).toMap().value(key("file")).toString();
    }
    qCWarning(lcDevice).nospace() << "Screenshot: " << response.value(key("error")).toString()
                                  << " (" << err << ")";
    switch (err) {
    case ServiceBadFilePath:
        error = ScreenshotError::BadFilePath;
        break;
    case ServiceUnsupportedFileType:
        error = ScreenshotError::UnsupportedFileType;
        break;
    case ServiceUserDeclined:
        error = ScreenshotError::UserDeclined;
        break;
    default:
        error = ScreenshotError::InternalError;
    }
    return {};
}

QString ScreenshotPrivate::captureWindow(const QUrl &url, screen_window_t window)
{
    screen_context_t context = nullptr;
    screen_pixmap_t pixmap = nullptr;
    // Releases what was created, pixmap first, on every path.
    const auto release = [&] {
        if (pixmap)
            screen_destroy_pixmap(pixmap);
        if (context)
            screen_destroy_context(context);
    };
    const auto failed = [&](auto log) {
        log();
        error = ScreenshotError::InternalError;
        release();
        return QString();
    };

    int size[2] = {0, 0};
    if (screen_get_window_property_iv(window, SCREEN_PROPERTY_SIZE, size) != 0)
        return failed([&, e = errno] {
            qCWarning(lcDevice).nospace()
                << "Screenshot: Unable to determine window size. (Handle: "
                << static_cast<const void *>(window) << ", Error: " << e << ")";
        });
    if (screen_create_context(&context, 0) != 0)
        return failed([] { qCWarning(lcDevice, "Screenshot: Unable to create screen context."); });
    if (screen_create_pixmap(&pixmap, context) != 0) {
        pixmap = nullptr;
        return failed([] { qCWarning(lcDevice, "Screenshot: Unable to create pixmap."); });
    }
    const auto step = [&](int result, const char *what) {
        const int e = errno; // before logging can change it
        if (result == 0)
            return true;
        qCWarning(lcDevice).nospace() << "Screenshot: " << what << " (" << e << ")";
        return false;
    };
    const int usage = SCREEN_USAGE_READ | SCREEN_USAGE_NATIVE;
    const int format = SCREEN_FORMAT_RGBA8888;
    if (!step(screen_set_pixmap_property_iv(pixmap, SCREEN_PROPERTY_USAGE, &usage),
              "Unable to set pixmap usage.") ||
        !step(screen_set_pixmap_property_iv(pixmap, SCREEN_PROPERTY_FORMAT, &format),
              "Unable to set pixmap format.") ||
        !step(screen_set_pixmap_property_iv(pixmap, SCREEN_PROPERTY_BUFFER_SIZE, size),
              "Unable to set pixmap buffer size properties.") ||
        !step(screen_create_pixmap_buffer(pixmap), "Unable to create pixmap buffer."))
        return failed([] {});
    screen_buffer_t buffer = nullptr;
    if (!step(screen_get_pixmap_property_pv(pixmap, SCREEN_PROPERTY_RENDER_BUFFERS,
                                            reinterpret_cast<void **>(&buffer)),
              "Unable to get pixmap buffers."))
        return failed([] {});
    int stride = 0;
    if (screen_get_buffer_property_iv(buffer, SCREEN_PROPERTY_STRIDE, &stride) != 0)
        return failed([&, e = errno] {
            qCWarning(lcDevice).nospace()
                << "Screenshot: Unable to get pixmap stride. (Buffer: "
                << static_cast<const void *>(buffer) << ", Error: " << e << ")";
        });
    void *pointer = nullptr;
    if (!step(screen_read_window(window, buffer, 0, nullptr, 0), "Unable to capture screenshot.") ||
        !step(screen_get_buffer_property_pv(buffer, SCREEN_PROPERTY_POINTER, &pointer),
              "Unable to retrieve buffer pointer."))
        return failed([] {});

    img_lib_t library = nullptr;
    const QString path = qz::UIToolkitSupport::absolutePathFromUrl(url);
    int result = img_lib_attach(&library) == IMG_ERR_OK ? IMG_ERR_OK : IMG_ERR_DLL;
    if (result == IMG_ERR_OK) {
        img_t image = {};
        image.flags = IMG_W | IMG_H | IMG_FORMAT | IMG_DIRECT;
        image.w = unsigned(size[0]);
        image.h = unsigned(size[1]);
        image.format = IMG_FMT_RGBA8888;
        image.access.direct.data = static_cast<unsigned char *>(pointer);
        image.access.direct.stride = size_t(stride);
        // An URL that names no local file gets an empty path, which the library refuses.
        result = img_write_file(library, path.toUtf8().constData(), nullptr, &image);
    }
    release();
    switch (result) {
    case IMG_ERR_OK:
        break;
    case IMG_ERR_FORMAT:
        qCWarning(lcDevice).nospace()
            << "Screenshot: Unable to determine desired image file format. (" << url.toString()
            << ")";
        error = ScreenshotError::UnsupportedFileType;
        break;
    case IMG_ERR_IO:
        qCWarning(lcDevice).nospace()
            << "Screenshot: Unable to write to specified location. (" << url.toString() << ")";
        error = ScreenshotError::BadFilePath;
        break;
    default:
        qCWarning(lcDevice).nospace()
            << "Screenshot: Error writing image to file. (" << result << ")";
        error = ScreenshotError::InternalError;
    }
    if (library)
        img_lib_detach(library);
    return result == IMG_ERR_OK ? path : QString();
}

Screenshot::Screenshot(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<ScreenshotPrivate>())
{}

Screenshot::~Screenshot() = default;

QString Screenshot::captureDisplay()
{
    return captureDisplay(int(ScreenshotFormat::Png));
}

QString Screenshot::captureDisplay(ScreenshotFormat::Type format)
{
    return captureDisplay(int(format));
}

QString Screenshot::captureDisplay(int format)
{
    if (format != ScreenshotFormat::Png && format != ScreenshotFormat::Jpeg) {
        d->error = ScreenshotError::UnsupportedFileType;
        return {};
    }
    return d->captureDisplay(
        {{QStringLiteral("format"),
          format == ScreenshotFormat::Png ? QStringLiteral("png") : QStringLiteral("jpg")}});
}

QString Screenshot::captureDisplay(const QUrl &url)
{
    return d->captureDisplay(
        {{QStringLiteral("filename"), qz::UIToolkitSupport::absolutePathFromUrl(url)}});
}

QString Screenshot::captureWindow(const QUrl &url, screen_window_t window)
{
    return d->captureWindow(url, window);
}

int Screenshot::error() const
{
    return d->error;
}

} // namespace qz::system
