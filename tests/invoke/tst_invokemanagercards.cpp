// Cards: the seven card operations on the platform, and the card events as signals.
#include <qz/system/InvokeManager>

#include "navigatorprobe.h"
#include "recordingbackend.h"

#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <functional>
#include <system_error>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

const QByteArray ChildPeekStarted = "childPeekStarted(qz::system::CardPeek::Type)";
const QByteArray PeekStarted = "peekStarted(qz::system::CardPeek::Type)";
const QByteArray ChildPeekEnded = "childPeekEnded()";
const QByteArray PeekEnded = "peekEnded()";
const QByteArray CardPeekStarted = "cardPeekStarted(qz::system::CardPeek::Type)";
const QByteArray CardPeekEnded = "cardPeekEnded()";
const QByteArray CardReadyCheck = "cardReadyCheck()";
const QByteArray CardResizeRequested = "cardResizeRequested(qz::system::CardResizeMessage)";
const QByteArray ChildCardDone = "childCardDone(qz::system::CardDoneMessage)";
const QByteArray CardPooled = "cardPooled(qz::system::CardDoneMessage)";

using Operation = std::function<bool(InvokeManager &)>;

QString failure(const char *accessor, const char *what)
{
    return QStringLiteral("InvokeManager::navigatorEventGetCardClosed%1 - Failed to determine "
                          "Navigator's card closed %2, ERROR:  \"%3\"")
        .arg(QLatin1String(accessor), QLatin1String(what),
             QString::fromStdString(std::generic_category().message(EBADMSG)));
}

const QString ReasonFailure = failure("Reason", "reason");
const QString DataTypeFailure = failure("DataType", "data type");
const QString DataFailure = failure("Data", "data");

} // namespace

Q_DECLARE_METATYPE(Operation)

class tst_InvokeManagerCards : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void operations_data();
    void operations();
    void resizeIsAcknowledgedWithItsId();
    void peekEvents_data();
    void peekEvents();
    void peekStartedFollowsBeforeUserConnections();
    void resizeEdges_data();
    void resizeEdges();
    void resizeOrientations_data();
    void resizeOrientations();
    void childCardDone();
    void cardPooledCarriesOnlyTheReason();
    void closedCardTextsThatCannotBeRead();
    void closedCardTextsAbsentWithoutErrnoAreSilent();

private:
    bool deliver(int code, const QVariantHash &fields = {});
    CardResizeMessage resizeMessage() const;
    CardDoneMessage doneMessage(const QByteArray &signal) const;

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<InvokeManager> m_manager;
    std::unique_ptr<SignalRecorder> m_signals;
    Emitted m_emitted;
};

void tst_InvokeManagerCards::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<InvokeManager>();
    m_signals = std::make_unique<SignalRecorder>(m_manager.get());
    m_backend->clear();
}

void tst_InvokeManagerCards::cleanup()
{
    m_signals.reset();
    m_manager.reset();
    m_backend.reset();
}

bool tst_InvokeManagerCards::deliver(int code, const QVariantHash &fields)
{
    return deliverNavigatorEvent(*m_signals, code, fields, &m_emitted);
}

CardResizeMessage tst_InvokeManagerCards::resizeMessage() const
{
    return m_signals->arguments(CardResizeRequested).value(0).value(0).value<CardResizeMessage>();
}

CardDoneMessage tst_InvokeManagerCards::doneMessage(const QByteArray &signal) const
{
    return m_signals->arguments(signal).value(0).value(0).value<CardDoneMessage>();
}

void tst_InvokeManagerCards::operations_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QVariantList>("arguments");

    CardDoneMessage done;
    done.setReason(QStringLiteral("saved"));
    done.setDataType(QStringLiteral("text/plain"));
    done.setData(QStringLiteral("caf\u00e9"));

    QTest::newRow("peek root") << Operation(
                                      [](InvokeManager &m) { return m.cardPeek(CardPeek::Root); })
                               << QByteArray("navigator_card_peek") << QVariantList{0};
    QTest::newRow("peek parent") << Operation([](InvokeManager &m) {
        return m.cardPeek(CardPeek::Parent);
    }) << QByteArray("navigator_card_peek")
                                 << QVariantList{1};
    QTest::newRow("peek other") << Operation([](InvokeManager &m) {
        return m.cardPeek(CardPeek::Type(7));
    }) << QByteArray("navigator_card_peek")
                                << QVariantList{1};
    QTest::newRow("close child") << Operation([](InvokeManager &m) { return m.closeChildCard(); })
                                 << QByteArray("navigator_card_close_child") << QVariantList{};
    QTest::newRow("card done") << Operation([done](InvokeManager &m) {
        return m.sendCardDone(done);
    }) << QByteArray("navigator_card_close")
                               << QVariantList{QStringLiteral("saved"),
                                               QStringLiteral("text/plain"),
                                               QStringLiteral("caf\u00e9")};
    QTest::newRow("empty card done")
        << Operation([](InvokeManager &m) { return m.sendCardDone(CardDoneMessage()); })
        << QByteArray("navigator_card_close") << QVariantList{QString(), QString(), QString()};
    QTest::newRow("swipe away") << Operation([](InvokeManager &m) { return m.swipeAway(); })
                                << QByteArray("navigator_card_swipe_away") << QVariantList{};
    QTest::newRow("ready check on")
        << Operation([](InvokeManager &m) { return m.requestCardReadyCheck(true); })
        << QByteArray("navigator_card_request_card_ready_check") << QVariantList{true};
    QTest::newRow("ready check off")
        << Operation([](InvokeManager &m) { return m.requestCardReadyCheck(false); })
        << QByteArray("navigator_card_request_card_ready_check") << QVariantList{false};
    QTest::newRow("card ready") << Operation([](InvokeManager &m) { return m.cardReady(); })
                                << QByteArray("navigator_card_send_card_ready") << QVariantList{};
}

void tst_InvokeManagerCards::operations()
{
    QFETCH(Operation, operation);
    QFETCH(QByteArray, call);
    QFETCH(QVariantList, arguments);

    QVERIFY(operation(*m_manager));
    QCOMPARE(m_backend->callNames(), QList<QByteArray>{call});
    QCOMPARE(m_backend->calls().first().args, arguments);

    m_backend->failCall(call);
    QVERIFY(!operation(*m_manager));
}

void tst_InvokeManagerCards::resizeIsAcknowledgedWithItsId()
{
    QVERIFY(deliver(32, {{QStringLiteral("id"), QByteArray("r-\xe9")},
                         {QStringLiteral("card_width"), 720},
                         {QStringLiteral("card_height"), 1280},
                         {QStringLiteral("card_edge"), 90},
                         {QStringLiteral("card_orientation"), 1}}));
    QCOMPARE(m_emitted, (Emitted{{CardResizeRequested, 1}}));
    const CardResizeMessage message = resizeMessage();
    // The id is Latin-1 text.
    QCOMPARE(message.id(), QStringLiteral("r-\u00e9"));
    QCOMPARE(message.width(), 720);
    QCOMPARE(message.height(), 1280);
    QCOMPARE(message.upEdge(), CardEdge::Right);
    QCOMPARE(message.orientation(), CardOrientation::Portrait);

    m_backend->clear();
    QVERIFY(m_manager->cardResized(message));
    QCOMPARE(m_backend->argumentsOf("navigator_card_resized"),
             QList<QVariantList>{{QStringLiteral("r-\u00e9")}});
}

void tst_InvokeManagerCards::peekEvents_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QVariantHash>("fields");
    QTest::addColumn<Emitted>("expected");
    QTest::addColumn<QVariant>("peek");

    const QVariant root = QVariant::fromValue(CardPeek::Root);
    const QVariant parent = QVariant::fromValue(CardPeek::Parent);
    const auto childPeek = [](int type) {
        return QVariantHash{{QStringLiteral("card_peek_type"), type}};
    };
    const auto ownPeek = [](int type) { return QVariantHash{{QStringLiteral("peek_type"), type}}; };

    QTest::newRow("child root") << 30 << childPeek(0)
                                << Emitted{{ChildPeekStarted, 1}, {PeekStarted, 1}} << root;
    QTest::newRow("child parent") << 30 << childPeek(1)
                                  << Emitted{{ChildPeekStarted, 1}, {PeekStarted, 1}} << parent;
    QTest::newRow("child other") << 30 << childPeek(5)
                                 << Emitted{{ChildPeekStarted, 1}, {PeekStarted, 1}} << parent;
    QTest::newRow("child ended") << 31 << QVariantHash()
                                 << Emitted{{ChildPeekEnded, 1}, {PeekEnded, 1}} << QVariant();
    QTest::newRow("own root") << 38 << ownPeek(0) << Emitted{{CardPeekStarted, 1}} << root;
    QTest::newRow("own parent") << 38 << ownPeek(1) << Emitted{{CardPeekStarted, 1}} << parent;
    // Each peek reads its own field.
    QTest::newRow("own reads peek_type")
        << 38 << childPeek(0) << Emitted{{CardPeekStarted, 1}} << parent;
    QTest::newRow("own ended") << 39 << QVariantHash() << Emitted{{CardPeekEnded, 1}} << QVariant();
    QTest::newRow("ready check") << 40 << QVariantHash() << Emitted{{CardReadyCheck, 1}}
                                 << QVariant();
}

void tst_InvokeManagerCards::peekEvents()
{
    QFETCH(int, code);
    QFETCH(QVariantHash, fields);
    QFETCH(Emitted, expected);
    QFETCH(QVariant, peek);

    QVERIFY(deliver(code, fields));
    QCOMPARE(m_emitted, expected);
    if (peek.isValid()) {
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(m_signals->arguments(it.key()).first(), QVariantList{peek});
    }
}

void tst_InvokeManagerCards::peekStartedFollowsBeforeUserConnections()
{
    QList<QByteArray> order;
    connect(m_manager.get(), &InvokeManager::childPeekStarted, this,
            [&order] { order.append("user: child"); });
    connect(m_manager.get(), &InvokeManager::peekStarted, this,
            [&order] { order.append("user: peek"); });

    Q_EMIT m_manager->childPeekStarted(CardPeek::Root);
    QCOMPARE(m_signals->arguments(PeekStarted),
             QList<QVariantList>{{QVariant::fromValue(CardPeek::Root)}});
    QCOMPARE(order, (QList<QByteArray>{"user: peek", "user: child"}));

    Q_EMIT m_manager->childPeekEnded();
    QCOMPARE(m_signals->emitted().value(PeekEnded), 1);
}

void tst_InvokeManagerCards::resizeEdges_data()
{
    QTest::addColumn<int>("degrees");
    QTest::addColumn<CardEdge::Type>("edge");

    QTest::newRow("0") << 0 << CardEdge::Top;
    QTest::newRow("90") << 90 << CardEdge::Right;
    QTest::newRow("180") << 180 << CardEdge::Bottom;
    QTest::newRow("270") << 270 << CardEdge::Left;
    QTest::newRow("45") << 45 << CardEdge::Unspecified;
    QTest::newRow("360") << 360 << CardEdge::Unspecified;
    QTest::newRow("-90") << -90 << CardEdge::Unspecified;
    QTest::newRow("1") << 1 << CardEdge::Unspecified;
}

void tst_InvokeManagerCards::resizeEdges()
{
    QFETCH(int, degrees);
    QFETCH(CardEdge::Type, edge);

    QVERIFY(deliver(32, {{QStringLiteral("card_edge"), degrees}}));
    QCOMPARE(m_emitted, (Emitted{{CardResizeRequested, 1}}));
    QCOMPARE(resizeMessage().upEdge(), edge);
}

void tst_InvokeManagerCards::resizeOrientations_data()
{
    QTest::addColumn<int>("platform");
    QTest::addColumn<CardOrientation::Type>("orientation");

    QTest::newRow("1 portrait") << 1 << CardOrientation::Portrait;
    QTest::newRow("0 landscape") << 0 << CardOrientation::Landscape;
    QTest::newRow("2") << 2 << CardOrientation::Unspecified;
    QTest::newRow("-1") << -1 << CardOrientation::Unspecified;
}

void tst_InvokeManagerCards::resizeOrientations()
{
    QFETCH(int, platform);
    QFETCH(CardOrientation::Type, orientation);

    QVERIFY(deliver(32, {{QStringLiteral("card_orientation"), platform}}));
    QCOMPARE(m_emitted, (Emitted{{CardResizeRequested, 1}}));
    QCOMPARE(resizeMessage().orientation(), orientation);
}

void tst_InvokeManagerCards::childCardDone()
{
    QVERIFY(deliver(33, {{QStringLiteral("card_closed_reason"), QStringLiteral("done \u00e9")},
                         {QStringLiteral("card_closed_data_type"), QStringLiteral("text/plain")},
                         {QStringLiteral("card_closed_data"), QStringLiteral("line1\nline2")}}));
    QCOMPARE(m_emitted, (Emitted{{ChildCardDone, 1}}));
    const CardDoneMessage message = doneMessage(ChildCardDone);
    QCOMPARE(message.reason(), QStringLiteral("done \u00e9"));
    QCOMPARE(message.dataType(), QStringLiteral("text/plain"));
    QCOMPARE(message.data(), QStringLiteral("line1\nline2"));
}

void tst_InvokeManagerCards::cardPooledCarriesOnlyTheReason()
{
    QVERIFY(deliver(34, {{QStringLiteral("card_closed_reason"), QStringLiteral("pooled")},
                         {QStringLiteral("card_closed_data_type"), QStringLiteral("text/plain")},
                         {QStringLiteral("card_closed_data"), QStringLiteral("ignored")}}));
    QCOMPARE(m_emitted, (Emitted{{CardPooled, 1}}));
    const CardDoneMessage message = doneMessage(CardPooled);
    QCOMPARE(message.reason(), QStringLiteral("pooled"));
    QVERIFY(message.dataType().isEmpty());
    QVERIFY(message.data().isEmpty());
}

void tst_InvokeManagerCards::closedCardTextsThatCannotBeRead()
{
    // The texts the service could not read are reported one by one; the signal still comes.
    const QVariantHash unreadable = {
        {QStringLiteral("errno"), EBADMSG},
        {QStringLiteral("card_closed_data_type"), QStringLiteral("text/plain")}};
    QTest::ignoreMessage(QtWarningMsg, qPrintable(ReasonFailure));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(DataFailure));
    QVERIFY(deliver(33, unreadable));
    QCOMPARE(m_emitted, (Emitted{{ChildCardDone, 1}}));
    QVERIFY(doneMessage(ChildCardDone).reason().isEmpty());
    QCOMPARE(doneMessage(ChildCardDone).dataType(), QStringLiteral("text/plain"));
    QVERIFY(doneMessage(ChildCardDone).data().isEmpty());

    QTest::ignoreMessage(QtWarningMsg, qPrintable(ReasonFailure));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(DataTypeFailure));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(DataFailure));
    QVERIFY(deliver(33, {{QStringLiteral("errno"), EBADMSG}}));
    QCOMPARE(m_emitted, (Emitted{{ChildCardDone, 1}}));

    QTest::ignoreMessage(QtWarningMsg, qPrintable(ReasonFailure));
    QVERIFY(deliver(34, {{QStringLiteral("errno"), EBADMSG}}));
    QCOMPARE(m_emitted, (Emitted{{CardPooled, 1}}));
    QVERIFY(doneMessage(CardPooled).reason().isEmpty());
}

void tst_InvokeManagerCards::closedCardTextsAbsentWithoutErrnoAreSilent()
{
    // errno is cleared before each text is read, so a stale errno from elsewhere is no failure.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    errno = EIO;
    QVERIFY(deliver(33));
    QCOMPARE(m_emitted, (Emitted{{ChildCardDone, 1}}));
    const CardDoneMessage message = doneMessage(ChildCardDone);
    QVERIFY(message.reason().isEmpty() && message.dataType().isEmpty() && message.data().isEmpty());
}

QTEST_GUILESS_MAIN(tst_InvokeManagerCards)
#include "tst_invokemanagercards.moc"
