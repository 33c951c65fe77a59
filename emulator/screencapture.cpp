#include "screencapture.h"

#include "controlobjectserver.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QPainter>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcDeviceScreenCapture, "qz.device.screencapture")

const QString ScreenCaptureService::s_controlPath =
    QStringLiteral("/pps/services/multimedia/screencapture/control");

namespace {

struct Outcome
{
    int err = ScreenCaptureService::Saved;
    QString text; // why nothing was saved, or the file when it was
};

// The writer's format for a file name's extension; empty for one we do not write.
QByteArray formatOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return "png";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "jpg";
    return {};
}

bool hasControl(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

} // namespace

class ScreenCapturePrivate
{
public:
    Outcome capture(const QVariantMap &dat) const;
    Outcome save(const QString &file, const QByteArray &format) const;
    QString chooseFile(const QByteArray &format) const;

    ScreenCaptureService::Options options;
    std::function<QList<Dialog>()> shown;
    ControlObjectServer *server = nullptr;
};

Outcome ScreenCapturePrivate::capture(const QVariantMap &dat) const
{
    const bool named = dat.contains(QStringLiteral("filename"));
    if (named == dat.contains(QStringLiteral("format")))
        return {ScreenCaptureService::BadRequest,
                QStringLiteral("the request names neither a format nor a file, or both")};
    if (options.decline)
        return {ScreenCaptureService::UserDeclined,
                QStringLiteral("The user declined the screen capture")};
    if (!named) {
        const QString format = dat.value(QStringLiteral("format")).toString();
        if (format != QLatin1String("png") && format != QLatin1String("jpg"))
            return {ScreenCaptureService::UnsupportedType,
                    QStringLiteral("Unsupported format \"%1\"").arg(format)};
        const QString file = chooseFile(format.toLatin1());
        if (file.isEmpty())
            return {
                ScreenCaptureService::BadFilePath,
                QStringLiteral("The pictures folder %1 cannot be made").arg(options.picturesDir)};
        return save(file, format.toLatin1());
    }
    const QString file = dat.value(QStringLiteral("filename")).toString();
    if (file.isEmpty() || !QDir::isAbsolutePath(file) || hasControl(file))
        return {ScreenCaptureService::BadFilePath,
                QStringLiteral("Not an absolute file path: \"%1\"").arg(file)};
    if (QFileInfo(file).isDir())
        return {ScreenCaptureService::BadFilePath, QStringLiteral("%1 is a folder").arg(file)};
    const QByteArray format = formatOf(file);
    if (format.isEmpty())
        return {ScreenCaptureService::UnsupportedType,
                QStringLiteral("Unsupported file type: %1").arg(file)};
    return save(file, format);
}

Outcome ScreenCapturePrivate::save(const QString &file, const QByteArray &format) const
{
    const QFileInfo info(file);
    // Replacing a folder, a link or a device is never what a capture asked for.
    if (info.exists() && (!info.isFile() || info.isSymLink()))
        return {ScreenCaptureService::BadFilePath,
                QStringLiteral("%1 exists and is not a file").arg(file)};
    if (!QFileInfo(info.absolutePath()).isDir())
        return {ScreenCaptureService::BadFilePath,
                QStringLiteral("No folder %1").arg(info.absolutePath())};
    QImage image = ScreenCaptureService::render(shown ? shown() : QList<Dialog>());
    if (format != "png")
        image = image.convertToFormat(QImage::Format_RGB32);
    // Written beside the file and renamed: a failed capture leaves no partial file.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {ScreenCaptureService::BadFilePath,
                QStringLiteral("Cannot write %1: %2").arg(file, out.errorString())};
    QImageWriter writer(&out, format);
    if (!writer.write(image) || !out.commit()) {
        out.cancelWriting();
        return {ScreenCaptureService::BadFilePath,
                QStringLiteral("Cannot write %1: %2").arg(file, writer.errorString())};
    }
    return {ScreenCaptureService::Saved, info.absoluteFilePath()};
}

QString ScreenCapturePrivate::chooseFile(const QByteArray &format) const
{
    QDir dir(options.picturesDir);
    if (!dir.mkpath(QStringLiteral(".")))
        return {};
    const QString stem = QStringLiteral("screenshot-") + QDateTime::currentDateTime().toString(
                                                             QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    QString name = stem + u'.' + QLatin1String(format);
    for (int n = 2; dir.exists(name); ++n)
        name = QStringLiteral("%1-%2.%3").arg(stem).arg(n).arg(QLatin1String(format));
    return dir.absoluteFilePath(name);
}

ScreenCaptureService::ScreenCaptureService(const Options &options,
                                           std::function<QList<Dialog>()> shown, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<ScreenCapturePrivate>())
{
    d->options = options;
    d->shown = std::move(shown);
    d->server = new ControlObjectServer(s_controlPath, this);
    connect(d->server, &ControlObjectServer::requestReceived, this,
            [this](int clientId, const QVariantMap &message) {
                const QString msg = message.value(QStringLiteral("msg")).toString();
                const QVariant dat = message.value(QStringLiteral("dat"));
                const Outcome outcome =
                    msg != QLatin1String("screenPhotoSave")
                        ? Outcome{BadRequest, QStringLiteral("Unknown request \"%1\"").arg(msg)}
                    : dat.typeId() != QMetaType::QVariantMap
                        ? Outcome{BadRequest, QStringLiteral("The request has no \"dat\" map")}
                        : d->capture(dat.toMap());
                QVariantMap answer{{QStringLiteral("res"), QStringLiteral("screenPhotoSave")},
                                   {QStringLiteral("id"), message.value(QStringLiteral("id"))},
                                   {QStringLiteral("err"), outcome.err}};
                if (outcome.err == Saved) {
                    answer.insert(QStringLiteral("dat"),
                                  QVariantMap{{QStringLiteral("file"), outcome.text}});
                    qCInfo(lcDeviceScreenCapture).noquote()
                        << "client" << clientId << "display saved to" << outcome.text;
                } else {
                    answer.insert(QStringLiteral("error"), outcome.text);
                    qCInfo(lcDeviceScreenCapture).noquote()
                        << "client" << clientId << "capture refused:" << outcome.err
                        << outcome.text;
                }
                if (!d->server->reply(clientId, answer))
                    qCWarning(lcDeviceScreenCapture)
                        << "client" << clientId << "answer could not be sent";
            });
    connect(d->server, &ControlObjectServer::unreadableRequest, this, [](int clientId) {
        qCWarning(lcDeviceScreenCapture)
            << "client" << clientId << "sent a request that is not PPS text; dropped";
    });
    connect(d->server, &ControlObjectServer::lost, this, &DeviceService::failed);
}

ScreenCaptureService::~ScreenCaptureService() = default;

QString ScreenCaptureService::name() const
{
    return QStringLiteral("screen-capture");
}

bool ScreenCaptureService::start(QString *error)
{
    return d->server->open(error);
}

QImage ScreenCaptureService::render(const QList<Dialog> &dialogs)
{
    QImage image(displaySize, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x1d, 0x2b, 0x3a));
    QPainter painter(&image);
    const QRect screen(QPoint(0, 0), displaySize);
    painter.fillRect(QRect(0, 0, screen.width(), 48), QColor(0x0b, 0x12, 0x1a));
    // Fonts exist only in a QGuiApplication; elsewhere the boxes are drawn without their text.
    const bool text = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (text) {
        painter.setPen(Qt::white);
        painter.drawText(QRect(16, 0, screen.width() - 32, 48), Qt::AlignVCenter | Qt::AlignRight,
                         QTime::currentTime().toString(QStringLiteral("HH:mm")));
    }

    int dialogTop = 200;
    int toastBottom = screen.height() - 80;
    for (const Dialog &dialog : dialogs) {
        QStringList lines;
        if (!dialog.title().isEmpty())
            lines << dialog.title();
        if (!dialog.body().isEmpty())
            lines << dialog.body();
        QStringList labels;
        for (const DialogButton &button : dialog.buttons())
            labels << button.label;
        if (!labels.isEmpty())
            lines << labels.join(QStringLiteral("   "));
        const int height = 40 + 36 * int(qMax<qsizetype>(1, lines.size()));
        QRect box;
        if (dialog.isToast()) {
            box = QRect(80, toastBottom - height, screen.width() - 160, height);
            toastBottom = box.top() - 16;
            painter.setBrush(QColor(0x30, 0x30, 0x30));
        } else {
            box = QRect(48, dialogTop, screen.width() - 96, height);
            dialogTop = box.bottom() + 24;
            painter.setBrush(QColor(0xf4, 0xf4, 0xf4));
        }
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRoundedRect(box, 12, 12);
        if (!text)
            continue;
        painter.setPen(dialog.isToast() ? Qt::white : Qt::black);
        int y = box.top() + 20;
        for (const QString &line : std::as_const(lines)) {
            painter.drawText(
                QRect(box.left() + 20, y, box.width() - 40, 36),
                Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                painter.fontMetrics().elidedText(line, Qt::ElideRight, box.width() - 40));
            y += 36;
        }
    }
    return image;
}
