#include "smokerun.h"

#include <QMetaMethod>
#include <QMetaProperty>

namespace {

// Long enough for the first answers of a page's services over a local PPS server.
constexpr int pageShownMs = 300;
// The device emulator times a toast out after its --delay (500 ms unless told otherwise).
constexpr int toastDeadlineMs = 15000;

} // namespace

SmokeRun::SmokeRun(QObject *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(toastDeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { Q_EMIT finished(QStringLiteral("the toast never finished")); });
}

void SmokeRun::start()
{
    showPage(0);
}

void SmokeRun::showPage(int index)
{
    if (index == m_window->property("pageCount").toInt()) {
        // Back on the first page, shown a moment too: a toast that fails at once would otherwise
        // end the run before the window drew again, and Qt Quick leaks the textures still
        // waiting for a frame when its window goes.
        m_window->setProperty("currentIndex", 0);
        QTimer::singleShot(pageShownMs, this, &SmokeRun::showToast);
        return;
    }
    m_window->setProperty("currentIndex", index);
    const QObject *page = currentPage();
    if (!page) {
        Q_EMIT finished(QStringLiteral("page %1 did not load").arg(index + 1));
        return;
    }
    qInfo("smoke: page \"%s\" loaded", qPrintable(page->property("title").toString()));
    QTimer::singleShot(pageShownMs, this, [this, index] { showPage(index + 1); });
}

void SmokeRun::showToast()
{
    QObject *page = currentPage();
    const QMetaObject *metaObject = page ? page->metaObject() : nullptr;
    const int outcome = metaObject ? metaObject->indexOfProperty("toastOutcome") : -1;
    if (outcome < 0) {
        Q_EMIT finished(QStringLiteral("the first page has no toast to show"));
        return;
    }
    // Connected first: a toast that cannot reach the dialog service finishes within show().
    connect(page, metaObject->property(outcome).notifySignal(), this,
            this->metaObject()->method(this->metaObject()->indexOfMethod("toastOutcomeChanged()")));
    m_deadline.start();
    QMetaObject::invokeMethod(page, "showToast");
}

void SmokeRun::toastOutcomeChanged()
{
    m_deadline.stop();
    const QString outcome = currentPage()->property("toastOutcome").toString();
    qInfo("smoke: the toast finished with %s", qPrintable(outcome));
    Q_EMIT finished(outcome == QLatin1String("TimeOut")
                        ? QString()
                        : QStringLiteral("the toast finished with %1, not TimeOut").arg(outcome));
}

QObject *SmokeRun::currentPage() const
{
    return m_window->property("currentPage").value<QObject *>();
}
