// The library reading an untrusted screen-capture service: whatever the service answers to a
// display capture, the capture returns (a path only on success), reports one of its errors and
// never reads past what came.
#include "ppsrig.h"

#include <qz/PpsObject>
#include <qz/system/Screenshot>

#include <QMutex>
#include <QWaitCondition>

#include <thread>

using qz::system::Screenshot;
using qz::system::ScreenshotError;

namespace {

const QString Control = QStringLiteral("/pps/services/multimedia/screencapture/control?server");

// Only the control object's own block reaches the library: header lines in the answer would send
// the rest elsewhere and leave the capture waiting until the service goes.
QByteArray answerBlock(const QByteArray &payload)
{
    QByteArray block("@control\n");
    for (const QByteArray &line : payload.split('\n')) {
        if (!line.startsWith('@') && line.indexOf('@') != 1)
            block += line + '\n';
    }
    return block;
}

struct Service
{
    QMutex mutex;
    QWaitCondition changed;
    bool ready = false;
    bool done = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static PpsRig *const rig = new PpsRig;
    Q_UNUSED(rig);
    const QByteArray answer =
        answerBlock(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    Service state;
    std::thread service([&state, &answer] {
        qz::PpsObject control(Control);
        const bool open = control.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create);
        control.setBlocking(true);
        {
            QMutexLocker lock(&state.mutex);
            state.ready = true;
            state.changed.wakeAll();
        }
        QZ_FUZZ_CHECK(open, "cannot serve the control object");
        // The client's arrival, then its request; answered to every client at once.
        bool ok = true;
        while (ok && !control.read(&ok).contains("screenPhotoSave")) {
        }
        if (ok)
            control.write(answer);
        // Kept until the capture is over, or long enough for any answer to have arrived:
        // going away then ends a capture that got nothing it could read.
        QMutexLocker lock(&state.mutex);
        if (!state.done)
            state.changed.wait(&state.mutex, 2000);
    });
    {
        QMutexLocker lock(&state.mutex);
        while (!state.ready)
            state.changed.wait(&state.mutex);
    }
    Screenshot screenshot;
    const QString file = screenshot.captureDisplay();
    const int error = screenshot.error();
    {
        QMutexLocker lock(&state.mutex);
        state.done = true;
        state.changed.wakeAll();
    }
    service.join();
    QZ_FUZZ_CHECK(error >= ScreenshotError::None && error <= ScreenshotError::UserDeclined,
                  "error %d", error);
    QZ_FUZZ_CHECK(file.isEmpty() || error == ScreenshotError::None, "a path with error %d", error);
    return 0;
}
