// The share state machine: every action in every state under both start-transfer modes, ended by
// a commit and by a cancel, with the error a content change records; the lock across threads.
#include "sharestatemachine_p.h"

#include <QAtomicInt>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <memory>

using namespace qz::system;
using SM = ShareStateMachine;
using Mode = NfcShareStartTransferMode;

namespace {

// States by letter, in value order.
const QByteArray States = "IRCTX";

// Per action and mode, for each state I R C T X in turn: the state a commit leads to and the
// state a cancel leads to, or "--" when the action is refused there.
struct Row
{
    int action;
    const char *onTap;
    const char *onDemand;
};

const Row Table[] = {
    {SM::SetContent, "-- CR CC -- --", "-- CR CC TT --"},
    {SM::EnableSharing, "RI RR RC RT --", "RI RR RC RT --"},
    // On tap a cancelled transfer waits for the next tap; on demand the target stays held.
    {SM::StartTransfer, "-- -- -- XC --", "-- -- -- XT --"},
    {SM::ClearTarget, "-- -- -- -- --", "-- -- -- RT --"},
    {SM::AcquireTarget, "-- TR TC -- --", "-- TR TC TT --"},
    {SM::DisableSharing, "II IR IC IT --", "II IR IC IT --"},
    {SM::Reset, "II IR IC IT --", "II IR IC IT --"},
    // In ContentReady no transfer ran: a late completion changes nothing.
    {SM::CompleteTransfer, "-- -- CC -- CX", "-- -- CC -- TX"},
    {0, "-- -- -- -- --", "-- -- -- -- --"},
    {9, "-- -- -- -- --", "-- -- -- -- --"},
};

// What SetContent records per state I R C T X: None, InvalidShareMode or TransferInProgress.
const char SetContentErrorOnTap[] = "MNNMP";
const char SetContentErrorOnDemand[] = "MNNNP";

NfcShareSetContentError::Type setContentError(char letter)
{
    return letter == 'N'   ? NfcShareSetContentError::None
           : letter == 'M' ? NfcShareSetContentError::InvalidShareMode
                           : NfcShareSetContentError::TransferInProgress;
}

// Brings a new machine to \a state by committed actions, as the share manager would.
void driveTo(SM &machine, SM::ShareState state, Mode::Type mode)
{
    const QList<SM::ShareAction> paths[] = {
        {},
        {SM::EnableSharing},
        {SM::EnableSharing, SM::SetContent},
        {SM::EnableSharing, SM::AcquireTarget},
        {SM::EnableSharing, SM::AcquireTarget, SM::StartTransfer},
    };
    for (SM::ShareAction action : paths[state]) {
        QVERIFY(machine.startAction(action, mode));
        machine.commitAction();
    }
    QCOMPARE(machine.state(), state);
}

void expectRefusal(int action, int state)
{
    if (action < 1 || action > 8) {
        QTest::ignoreMessage(
            QtWarningMsg,
            qPrintable(QStringLiteral("Unsupported internal action: %1").arg(action)));
    }
    QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("startAction: %1  is not allowed "
                                                                 "for state: %2")
                                                      .arg(action)
                                                      .arg(state)));
}

const char EndWithoutStart[] = "finishAction without an open action on this thread is ignored";

} // namespace

class tst_ShareStateMachine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void transitions_data();
    void transitions();
    void secondThreadWaitsForOpenAction();
    void lockStaysBalanced();
};

void tst_ShareStateMachine::initTestCase()
{
    // Every transaction logs several debug lines; only the warnings are checked here.
    QLoggingCategory::setFilterRules(QStringLiteral("qz.system.nfc.debug=false"));
}

void tst_ShareStateMachine::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_ShareStateMachine::transitions_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("from");
    QTest::addColumn<Mode::Type>("mode");
    QTest::addColumn<bool>("commit");
    QTest::addColumn<char>("expected"); // a state letter, or '-' for a refusal

    for (const Row &row : Table) {
        for (Mode::Type mode : {Mode::OnTap, Mode::OnDemand}) {
            const QByteArray outcomes = QByteArray(mode == Mode::OnTap ? row.onTap : row.onDemand)
                                            .replace(' ', QByteArray());
            for (int from = 0; from < States.size(); ++from) {
                for (bool commit : {true, false}) {
                    QTest::addRow("action %d from %c %s %s", row.action, States[from],
                                  mode == Mode::OnTap ? "on tap" : "on demand",
                                  commit ? "commit" : "cancel")
                        << row.action << from << mode << commit
                        << outcomes[2 * from + (commit ? 0 : 1)];
                }
            }
        }
    }
}

void tst_ShareStateMachine::transitions()
{
    QFETCH(int, action);
    QFETCH(int, from);
    QFETCH(Mode::Type, mode);
    QFETCH(bool, commit);
    QFETCH(char, expected);

    SM machine;
    driveTo(machine, SM::ShareState(from), mode);
    if (expected == '-') {
        expectRefusal(action, from);
        QVERIFY(!machine.startAction(SM::ShareAction(action), mode));
        QCOMPARE(int(machine.state()), from);
    } else {
        QVERIFY(machine.startAction(SM::ShareAction(action), mode));
        commit ? machine.commitAction() : machine.cancelAction();
        QCOMPARE(States[machine.state()], expected);
    }
    if (action == SM::SetContent) {
        const char *errors = mode == Mode::OnTap ? SetContentErrorOnTap : SetContentErrorOnDemand;
        QCOMPARE(machine.getLastSetContentError(), setContentError(errors[from]));
    }
}

void tst_ShareStateMachine::secondThreadWaitsForOpenAction()
{
    SM machine;
    QVERIFY(machine.startAction(SM::EnableSharing, Mode::OnTap));

    QAtomicInt started = 0;
    QAtomicInt returned = 0;
    bool allowed = false;
    std::unique_ptr<QThread> other(QThread::create([&] {
        started = 1;
        allowed = machine.startAction(SM::SetContent, Mode::OnTap);
        returned = 1;
        if (allowed)
            machine.commitAction();
    }));
    other->start();
    QTRY_VERIFY(started.loadRelaxed());
    QTest::qWait(100);
    QVERIFY2(!returned.loadRelaxed(),
             "startAction returned while another thread's action was open");

    // The content change is decided on the state this commit leaves: Ready allows it.
    machine.commitAction();
    QVERIFY(other->wait(5000));
    QVERIFY(allowed);
    QCOMPARE(machine.state(), SM::ContentReady);
}

void tst_ShareStateMachine::lockStaysBalanced()
{
    SM machine;
    expectRefusal(SM::StartTransfer, SM::Idle);
    QVERIFY(!machine.startAction(SM::StartTransfer, Mode::OnTap));
    // An end without a start neither changes the state nor unlocks what this thread does not hold.
    QTest::ignoreMessage(QtWarningMsg, EndWithoutStart);
    machine.commitAction();
    QTest::ignoreMessage(QtWarningMsg, EndWithoutStart);
    machine.cancelAction();

    // A nested action keeps its own plan: the outer commit still leads where the outer planned.
    QVERIFY(machine.startAction(SM::EnableSharing, Mode::OnTap));
    QVERIFY(machine.startAction(SM::DisableSharing, Mode::OnTap));
    machine.cancelAction();
    machine.commitAction();
    QCOMPARE(machine.state(), SM::Ready);

    // With every start ended, another thread gets the lock at once.
    bool allowed = false;
    std::unique_ptr<QThread> other(QThread::create([&] {
        allowed = machine.startAction(SM::AcquireTarget, Mode::OnTap);
        if (allowed)
            machine.commitAction();
    }));
    other->start();
    QVERIFY(other->wait(5000));
    QVERIFY(allowed);
    QCOMPARE(machine.state(), SM::TargetAcquired);
}

QTEST_GUILESS_MAIN(tst_ShareStateMachine)
#include "tst_sharestatemachine.moc"
