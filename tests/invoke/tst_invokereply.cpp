// Replies: each finds the navigator's answer to its own request by id, finishes once, reads the
// error and the chosen target, and may be deleted at any time without a dangling dispatch.
#include <qz/system/InvokeManager>
#include <qz/system/InvokeReply>
#include <qz/system/InvokeTargetReply>

#include "recordingbackend.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

QString idOf(const InvokeReply *reply)
{
    return QString::number(quintptr(reply), 16);
}

void postAnswer(const InvokeReply *reply, const QVariantHash &fields = {}, int code = 19)
{
    QVariantHash all = fields;
    all.insert(QStringLiteral("id"), idOf(reply));
    RecordingBackend::postEvent(Service::Navigator, code, all);
}

} // namespace

class tst_InvokeReply : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void idIsTheAddressInLowercaseHex();
    void replyListensBeforeTheRequestIsSent();
    void replyCodes_data();
    void replyCodes();
    void finishesOnceAndStopsListening();
    void errorTexts_data();
    void errorTexts();
    void chosenTarget_data();
    void chosenTarget();
    void answerWithoutTargetLeavesItUnset();
    void deletedReplyGetsNoDispatch();
    void deleteLaterFromFinishedSlot();
    void deleteDirectlyFromFinishedSlot();

private:
    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<QObject> m_owner;
};

void tst_InvokeReply::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_owner = std::make_unique<QObject>();
}

void tst_InvokeReply::cleanup()
{
    m_owner.reset();
    m_backend.reset();
}

void tst_InvokeReply::idIsTheAddressInLowercaseHex()
{
    InvokeManager manager;
    InvokeTargetReply *reply = manager.invoke(InvokeRequest());
    QVERIFY(reply);
    const QString id =
        m_backend->argumentsOf("navigator_invoke_invocation_set_id").first().at(1).toString();
    QCOMPARE(id, QString::number(quintptr(reply), 16));
    QVERIFY(!id.startsWith(QLatin1String("0")));
    QCOMPARE(id, id.toLower());
}

void tst_InvokeReply::replyListensBeforeTheRequestIsSent()
{
    InvokeManager manager;
    m_backend->clear();
    QVERIFY(manager.invoke(InvokeRequest()));
    const QList<QByteArray> names = m_backend->callNames();
    const qsizetype listening = names.indexOf("navigator_request_events");
    QVERIFY(listening >= 0);
    QVERIFY(listening < names.indexOf("navigator_invoke_invocation_send"));
    QCOMPARE(m_backend->argumentsOf("navigator_request_events").first(), QVariantList{0});
}

void tst_InvokeReply::replyCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("accepted");

    for (int code : {19, 20, 37, 45})
        QTest::addRow("%d", code) << code << true;
    for (int code : {16, 17, 18, 21, 35, 36, 44, 46})
        QTest::addRow("%d", code) << code << false;
}

void tst_InvokeReply::replyCodes()
{
    QFETCH(int, code);
    QFETCH(bool, accepted);

    auto *reply = new InvokeTargetReply(m_owner.get());
    auto *sentinel = new InvokeReply(m_owner.get());
    QSignalSpy finished(reply, &InvokeReply::finished);
    QSignalSpy sentinelFinished(sentinel, &InvokeReply::finished);

    postAnswer(reply,
               {{QStringLiteral("err"), QStringLiteral("INVOKE_TARGET_ERROR")},
                {QStringLiteral("error_code"), 12}},
               code);
    postAnswer(sentinel);
    QTRY_COMPARE(sentinelFinished.size(), 1);
    QCOMPARE(finished.size(), accepted ? 1 : 0);
    QCOMPARE(reply->isFinished(), accepted);
    QCOMPARE(reply->error(), accepted ? InvokeReplyError::Target : InvokeReplyError::None);
    QCOMPARE(reply->errorCode(), accepted ? 12 : 0);
}

void tst_InvokeReply::finishesOnceAndStopsListening()
{
    auto *reply = new InvokeTargetReply(m_owner.get());
    auto *sentinel = new InvokeReply(m_owner.get());
    QSignalSpy finished(reply, &InvokeReply::finished);
    QSignalSpy sentinelFinished(sentinel, &InvokeReply::finished);

    postAnswer(reply, {{QStringLiteral("target"), QStringLiteral("first")},
                       {QStringLiteral("target_type"), 2}});
    QTRY_COMPARE(finished.size(), 1);

    postAnswer(reply, {{QStringLiteral("err"), QStringLiteral("INVOKE_NO_TARGET_ERROR")},
                       {QStringLiteral("error_code"), 9},
                       {QStringLiteral("target"), QStringLiteral("second")}});
    postAnswer(reply, {}, 45);
    postAnswer(sentinel);
    QTRY_COMPARE(sentinelFinished.size(), 1);

    QCOMPARE(finished.size(), 1);
    QVERIFY(reply->isFinished());
    QCOMPARE(reply->error(), InvokeReplyError::None);
    QCOMPARE(reply->errorCode(), 0);
    QCOMPARE(reply->target(), QStringLiteral("first"));
    QCOMPARE(reply->targetType(), InvokeTarget::Card);
}

void tst_InvokeReply::errorTexts_data()
{
    QTest::addColumn<QVariant>("text");
    QTest::addColumn<InvokeReplyError::Type>("error");
    QTest::addColumn<int>("errorCode");

    QTest::newRow("absent") << QVariant() << InvokeReplyError::None << 0;
    QTest::newRow("empty") << QVariant(QString()) << InvokeReplyError::None << 0;
    QTest::newRow("no target") << QVariant(QStringLiteral("INVOKE_NO_TARGET_ERROR"))
                               << InvokeReplyError::NoTarget << 17;
    QTest::newRow("bad request") << QVariant(QStringLiteral("INVOKE_BAD_REQUEST_ERROR"))
                                 << InvokeReplyError::BadRequest << 17;
    QTest::newRow("not owned") << QVariant(QStringLiteral("INVOKE_TARGET_NOT_OWNED_ERROR"))
                               << InvokeReplyError::TargetNotOwned << 17;
    QTest::newRow("privileges") << QVariant(QStringLiteral("INVOKE_INSUFFICIENT_PRIVILEGES_ERROR"))
                                << InvokeReplyError::InsufficientPrivileges << 17;
    QTest::newRow("target") << QVariant(QStringLiteral("INVOKE_TARGET_ERROR"))
                            << InvokeReplyError::Target << 17;
    QTest::newRow("unknown") << QVariant(QStringLiteral("INVOKE_SOMETHING_ELSE"))
                             << InvokeReplyError::Internal << 17;
    QTest::newRow("prefix of a known text")
        << QVariant(QStringLiteral("INVOKE_TARGET")) << InvokeReplyError::Internal << 17;
    QTest::newRow("known text with more")
        << QVariant(QStringLiteral("INVOKE_TARGET_ERROR ")) << InvokeReplyError::Internal << 17;
    QTest::newRow("lower case") << QVariant(QStringLiteral("invoke_no_target_error"))
                                << InvokeReplyError::Internal << 17;
}

void tst_InvokeReply::errorTexts()
{
    QFETCH(QVariant, text);
    QFETCH(InvokeReplyError::Type, error);
    QFETCH(int, errorCode);

    auto *reply = new InvokeTargetReply(m_owner.get());
    QSignalSpy finished(reply, &InvokeReply::finished);
    QVariantHash fields = {{QStringLiteral("error_code"), 17}};
    if (text.isValid())
        fields.insert(QStringLiteral("err"), text);
    postAnswer(reply, fields);
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(reply->error(), error);
    QCOMPARE(reply->errorCode(), errorCode);
}

void tst_InvokeReply::chosenTarget_data()
{
    QTest::addColumn<int>("platformType");
    QTest::addColumn<InvokeTarget::Type>("type");

    QTest::newRow("application") << 1 << InvokeTarget::Application;
    QTest::newRow("card") << 2 << InvokeTarget::Card;
    QTest::newRow("viewer") << 4 << InvokeTarget::Viewer;
    QTest::newRow("service") << 8 << InvokeTarget::Service;
    QTest::newRow("self") << 16 << InvokeTarget::Unspecified;
    QTest::newRow("32") << 32 << InvokeTarget::Unspecified;
    QTest::newRow("headless") << 64 << InvokeTarget::Headless;
    QTest::newRow("zero") << 0 << InvokeTarget::Unspecified;
    QTest::newRow("mask") << 3 << InvokeTarget::Unspecified;
}

void tst_InvokeReply::chosenTarget()
{
    QFETCH(int, platformType);
    QFETCH(InvokeTarget::Type, type);

    auto *reply = new InvokeTargetReply(m_owner.get());
    QSignalSpy finished(reply, &InvokeReply::finished);
    postAnswer(reply, {{QStringLiteral("target"), QStringLiteral("com.example.\u00e9")},
                       {QStringLiteral("target_type"), platformType}});
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(reply->target(), QStringLiteral("com.example.\u00e9"));
    QCOMPARE(reply->targetType(), type);
    QCOMPARE(reply->error(), InvokeReplyError::None);
}

void tst_InvokeReply::answerWithoutTargetLeavesItUnset()
{
    auto *reply = new InvokeTargetReply(m_owner.get());
    QSignalSpy finished(reply, &InvokeReply::finished);
    // A type without a target is not read.
    postAnswer(reply, {{QStringLiteral("target_type"), 2}});
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(reply->target().isEmpty());
    QCOMPARE(reply->targetType(), InvokeTarget::Unspecified);
}

void tst_InvokeReply::deletedReplyGetsNoDispatch()
{
    auto *deleted = new InvokeTargetReply(m_owner.get());
    const QString deletedId = idOf(deleted);
    auto *kept = new InvokeTargetReply(m_owner.get());
    QSignalSpy keptFinished(kept, &InvokeReply::finished);

    // The answer is already queued when the caller deletes the reply.
    RecordingBackend::postEvent(Service::Navigator, 19, {{QStringLiteral("id"), deletedId}});
    delete deleted;
    postAnswer(kept);
    QTRY_COMPARE(keptFinished.size(), 1);
}

void tst_InvokeReply::deleteLaterFromFinishedSlot()
{
    QPointer<InvokeReply> reply = new InvokeTargetReply(m_owner.get());
    auto *other = new InvokeReply(m_owner.get());
    QSignalSpy otherFinished(other, &InvokeReply::finished);
    connect(reply.data(), &InvokeReply::finished, reply.data(), &QObject::deleteLater);

    const QString id = idOf(reply);
    postAnswer(reply);
    QTRY_VERIFY(reply.isNull());

    RecordingBackend::postEvent(Service::Navigator, 19, {{QStringLiteral("id"), id}});
    postAnswer(other);
    QTRY_COMPARE(otherFinished.size(), 1);
}

void tst_InvokeReply::deleteDirectlyFromFinishedSlot()
{
    // Applications delete a finished reply straight from its signal; the reply must have let go
    // of the event service by then. Under ASan any later touch of the reply is a failure.
    QPointer<InvokeReply> reply = new InvokeTargetReply(m_owner.get());
    auto *later = new InvokeTargetReply(m_owner.get());
    QSignalSpy laterFinished(later, &InvokeReply::finished);
    int finishedCalls = 0;
    connect(reply.data(), &InvokeReply::finished, m_owner.get(), [&] {
        ++finishedCalls;
        QVERIFY(reply->isFinished());
        delete reply.data();
    });

    const QString id = idOf(reply);
    // Both answers arrive in one dispatch round for the second reply, which subscribed later.
    postAnswer(reply);
    postAnswer(later);
    QTRY_COMPARE(laterFinished.size(), 1);
    QVERIFY(reply.isNull());
    QCOMPARE(finishedCalls, 1);

    // A late answer for the deleted reply reaches nobody.
    auto *sentinel = new InvokeReply(m_owner.get());
    QSignalSpy sentinelFinished(sentinel, &InvokeReply::finished);
    RecordingBackend::postEvent(Service::Navigator, 19, {{QStringLiteral("id"), id}});
    postAnswer(sentinel);
    QTRY_COMPARE(sentinelFinished.size(), 1);
    QCOMPARE(finishedCalls, 1);
    QCOMPARE(laterFinished.size(), 1);
}

QTEST_GUILESS_MAIN(tst_InvokeReply)
#include "tst_invokereply.moc"
