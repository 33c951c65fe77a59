// How navigator answers find their replies among many: only the reply with the answer's id
// finishes, whatever else is waiting, on whichever thread; deleting the last waiting reply from
// its own finished() slot leaves nothing dangling.
#include <qz/system/InvokeReply>

#include "recordingbackend.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <vector>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

QString idOf(const InvokeReply *reply)
{
    return QString::number(quintptr(reply), 16);
}

void postAnswer(const InvokeReply *reply, int code = 19)
{
    RecordingBackend::postEvent(Service::Navigator, code, {{QStringLiteral("id"), idOf(reply)}});
}

} // namespace

class tst_InvokeReplyRouting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void oneOfManyFinishes();
    void lastReplyDeletedInItsFinishedSlot();
    void repliesOnDifferentThreads();

private:
    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<QObject> m_owner;
};

void tst_InvokeReplyRouting::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_owner = std::make_unique<QObject>();
}

void tst_InvokeReplyRouting::cleanup()
{
    m_owner.reset();
    m_backend.reset();
}

void tst_InvokeReplyRouting::oneOfManyFinishes()
{
    constexpr int Count = 3000;
    std::vector<InvokeReply *> replies;
    std::vector<int> finishedCount(Count);
    for (int i = 0; i < Count; ++i) {
        replies.push_back(new InvokeReply(m_owner.get()));
        connect(replies.back(), &InvokeReply::finished, m_owner.get(),
                [&finishedCount, i] { ++finishedCount[size_t(i)]; });
    }

    // Not answers for anyone: an unknown id, no id, an empty id, and a code the first reply does
    // not take.
    RecordingBackend::postEvent(Service::Navigator, 19,
                                {{QStringLiteral("id"), QStringLiteral("1")}});
    RecordingBackend::postEvent(Service::Navigator, 19);
    RecordingBackend::postEvent(Service::Navigator, 19, {{QStringLiteral("id"), QString()}});
    postAnswer(replies.front(), 17);
    postAnswer(replies[1234]);
    postAnswer(replies.back());
    QTRY_COMPARE(finishedCount.back(), 1);

    for (int i = 0; i < Count; ++i) {
        const bool answered = i == 1234 || i == Count - 1;
        QCOMPARE(finishedCount[size_t(i)], answered ? 1 : 0);
        QCOMPARE(replies[size_t(i)]->isFinished(), answered);
    }
}

void tst_InvokeReplyRouting::lastReplyDeletedInItsFinishedSlot()
{
    // The only waiting reply: deleting it releases everything that routed its answer, while
    // that answer is still being delivered. Under ASan any touch afterwards fails.
    for (int round = 0; round < 2; ++round) {
        QPointer<InvokeReply> reply = new InvokeReply(m_owner.get());
        connect(reply.data(), &InvokeReply::finished, m_owner.get(),
                [&reply] { delete reply.data(); });
        const QString id = idOf(reply);
        postAnswer(reply);
        RecordingBackend::postEvent(Service::Navigator, 19, {{QStringLiteral("id"), id}});
        QTRY_VERIFY(reply.isNull());
    }

    // Answers still reach a reply made afterwards.
    auto *next = new InvokeReply(m_owner.get());
    QSignalSpy finished(next, &InvokeReply::finished);
    postAnswer(next);
    QVERIFY(finished.wait(5000));
}

void tst_InvokeReplyRouting::repliesOnDifferentThreads()
{
    QThread worker;
    worker.start();
    QObject context;
    context.moveToThread(&worker);

    InvokeReply *remote = nullptr;
    std::atomic<int> remoteFinished{0};
    std::atomic<QThread *> finishedOn{nullptr};
    QMetaObject::invokeMethod(
        &context,
        [&] {
            remote = new InvokeReply;
            connect(remote, &InvokeReply::finished, remote, [&] {
                finishedOn = QThread::currentThread();
                ++remoteFinished;
            });
        },
        Qt::BlockingQueuedConnection);

    auto *local = new InvokeReply(m_owner.get());
    QSignalSpy localFinished(local, &InvokeReply::finished);

    postAnswer(remote);
    QTRY_COMPARE(remoteFinished.load(), 1);
    QCOMPARE(finishedOn.load(), &worker);
    postAnswer(local);
    postAnswer(remote);
    QVERIFY(localFinished.wait(5000));
    QCOMPARE(localFinished.size(), 1);

    QMetaObject::invokeMethod(
        &context, [&] { delete remote; }, Qt::BlockingQueuedConnection);
    worker.quit();
    QVERIFY(worker.wait(5000));
    QCOMPARE(remoteFinished.load(), 1);
}

QTEST_GUILESS_MAIN(tst_InvokeReplyRouting)
#include "tst_invokereplyrouting.moc"
