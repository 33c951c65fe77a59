// The share state machine: every action in every state under both start-transfer modes, ended by
// a commit and by a cancel; the errors a refused content change records; the lock across threads.
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
using Error = NfcShareSetContentError;

Q_DECLARE_METATYPE(SM::ShareAction)
Q_DECLARE_METATYPE(SM::ShareState)

namespace {

constexpr int Refused = -1;

// Where a commit and a cancel lead, or Refused.
struct Outcome
{
    int commit;
    int cancel;
};

struct Row
{
    int action;
    SM::ShareState from;
    Outcome onTap;
    Outcome onDemand;
};

constexpr Outcome No{Refused, Refused};

const Row Table[] = {
    {SM::SetContent, SM::Idle, No, No},
    {SM::SetContent, SM::Ready, {SM::ContentReady, SM::Ready}, {SM::ContentReady, SM::Ready}},
    {SM::SetContent,
     SM::ContentReady,
     {SM::ContentReady, SM::ContentReady},
     {SM::ContentReady, SM::ContentReady}},
    {SM::SetContent, SM::TargetAcquired, No, {SM::TargetAcquired, SM::TargetAcquired}},
    {SM::SetContent, SM::Transferring, No, No},

    {SM::EnableSharing, SM::Idle, {SM::Ready, SM::Idle}, {SM::Ready, SM::Idle}},
    {SM::EnableSharing, SM::Ready, {SM::Ready, SM::Ready}, {SM::Ready, SM::Ready}},
    {SM::EnableSharing,
     SM::ContentReady,
     {SM::Ready, SM::ContentReady},
     {SM::Ready, SM::ContentReady}},
    {SM::EnableSharing,
     SM::TargetAcquired,
     {SM::Ready, SM::TargetAcquired},
     {SM::Ready, SM::TargetAcquired}},
    {SM::EnableSharing, SM::Transferring, No, No},

    {SM::StartTransfer, SM::Idle, No, No},
    {SM::StartTransfer, SM::Ready, No, No},
    {SM::StartTransfer, SM::ContentReady, No, No},
    // On tap a cancelled transfer waits for the next tap; on demand the target stays held.
    {SM::StartTransfer,
     SM::TargetAcquired,
     {SM::Transferring, SM::ContentReady},
     {SM::Transferring, SM::TargetAcquired}},
    {SM::StartTransfer, SM::Transferring, No, No},

    {SM::ClearTarget, SM::Idle, No, No},
    {SM::ClearTarget, SM::Ready, No, No},
    {SM::ClearTarget, SM::ContentReady, No, No},
    {SM::ClearTarget, SM::TargetAcquired, No, {SM::Ready, SM::TargetAcquired}},
    {SM::ClearTarget, SM::Transferring, No, No},

    {SM::AcquireTarget, SM::Idle, No, No},
    {SM::AcquireTarget,
     SM::Ready,
     {SM::TargetAcquired, SM::Ready},
     {SM::TargetAcquired, SM::Ready}},
    {SM::AcquireTarget,
     SM::ContentReady,
     {SM::TargetAcquired, SM::ContentReady},
     {SM::TargetAcquired, SM::ContentReady}},
    {SM::AcquireTarget, SM::TargetAcquired, No, {SM::TargetAcquired, SM::TargetAcquired}},
    {SM::AcquireTarget, SM::Transferring, No, No},

    {SM::DisableSharing, SM::Idle, {SM::Idle, SM::Idle}, {SM::Idle, SM::Idle}},
    {SM::DisableSharing, SM::Ready, {SM::Idle, SM::Ready}, {SM::Idle, SM::Ready}},
    {SM::DisableSharing,
     SM::ContentReady,
     {SM::Idle, SM::ContentReady},
     {SM::Idle, SM::ContentReady}},
    {SM::DisableSharing,
     SM::TargetAcquired,
     {SM::Idle, SM::TargetAcquired},
     {SM::Idle, SM::TargetAcquired}},
    {SM::DisableSharing, SM::Transferring, No, No},

    {SM::Reset, SM::Idle, {SM::Idle, SM::Idle}, {SM::Idle, SM::Idle}},
    {SM::Reset, SM::Ready, {SM::Idle, SM::Ready}, {SM::Idle, SM::Ready}},
    {SM::Reset, SM::ContentReady, {SM::Idle, SM::ContentReady}, {SM::Idle, SM::ContentReady}},
    {SM::Reset, SM::TargetAcquired, {SM::Idle, SM::TargetAcquired}, {SM::Idle, SM::TargetAcquired}},
    {SM::Reset, SM::Transferring, No, No},

    {SM::CompleteTransfer, SM::Idle, No, No},
    {SM::CompleteTransfer, SM::Ready, No, No},
    // No transfer ran: a late completion changes nothing, whatever an earlier transfer planned.
    {SM::CompleteTransfer,
     SM::ContentReady,
     {SM::ContentReady, SM::ContentReady},
     {SM::ContentReady, SM::ContentReady}},
    {SM::CompleteTransfer, SM::TargetAcquired, No, No},
    {SM::CompleteTransfer,
     SM::Transferring,
     {SM::ContentReady, SM::Transferring},
     {SM::TargetAcquired, SM::Transferring}},

    {0, SM::Ready, No, No},
    {9, SM::Ready, No, No},
};

// Brings a new machine to \a state by committed actions, as the share manager would.
void driveTo(SM &machine, SM::ShareState state, Mode::Type mode)
{
    QList<SM::ShareAction> path;
    switch (state) {
    case SM::Idle:
        break;
    case SM::Ready:
        path = {SM::EnableSharing};
        break;
    case SM::ContentReady:
        path = {SM::EnableSharing, SM::SetContent};
        break;
    case SM::TargetAcquired:
        path = {SM::EnableSharing, SM::AcquireTarget};
        break;
    case SM::Transferring:
        path = {SM::EnableSharing, SM::AcquireTarget, SM::StartTransfer};
        break;
    }
    for (SM::ShareAction action : path) {
        QVERIFY(machine.startAction(action, mode));
        machine.commitAction();
    }
    QCOMPARE(machine.state(), state);
}

void expectRefusal(int action, SM::ShareState state)
{
    if (action < 1 || action > 8) {
        QTest::ignoreMessage(
            QtWarningMsg,
            qPrintable(QStringLiteral("Unsupported internal action: %1").arg(action)));
    }
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QStringLiteral("startAction: %1  is not allowed for state: %2")
                                        .arg(action)
                                        .arg(state)));
}

} // namespace

class tst_ShareStateMachine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void transitions_data();
    void transitions();
    void refusedContentRecordsWhy_data();
    void refusedContentRecordsWhy();
    void endWithoutStartIsIgnored();
    void secondThreadWaitsForOpenAction();
    void refusedAndNestedStartsKeepTheLockBalanced();
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
    QTest::addColumn<SM::ShareState>("from");
    QTest::addColumn<Mode::Type>("mode");
    QTest::addColumn<bool>("commit");
    QTest::addColumn<int>("expected");

    for (const Row &row : Table) {
        for (Mode::Type mode : {Mode::OnTap, Mode::OnDemand}) {
            const Outcome &outcome = mode == Mode::OnTap ? row.onTap : row.onDemand;
            for (bool commit : {true, false}) {
                QTest::addRow("action %d from %d %s %s", row.action, int(row.from),
                              mode == Mode::OnTap ? "on tap" : "on demand",
                              commit ? "commit" : "cancel")
                    << row.action << row.from << mode << commit
                    << (commit ? outcome.commit : outcome.cancel);
            }
        }
    }
}

void tst_ShareStateMachine::transitions()
{
    QFETCH(int, action);
    QFETCH(SM::ShareState, from);
    QFETCH(Mode::Type, mode);
    QFETCH(bool, commit);
    QFETCH(int, expected);

    SM machine;
    driveTo(machine, from, mode);
    if (expected == Refused) {
        expectRefusal(action, from);
        QVERIFY(!machine.startAction(SM::ShareAction(action), mode));
        QCOMPARE(machine.state(), from);
        return;
    }
    QVERIFY(machine.startAction(SM::ShareAction(action), mode));
    commit ? machine.commitAction() : machine.cancelAction();
    QCOMPARE(int(machine.state()), expected);
}

void tst_ShareStateMachine::refusedContentRecordsWhy_data()
{
    QTest::addColumn<SM::ShareState>("from");
    QTest::addColumn<Mode::Type>("mode");
    QTest::addColumn<Error::Type>("error");

    QTest::newRow("idle") << SM::Idle << Mode::OnTap << Error::InvalidShareMode;
    QTest::newRow("target held on tap")
        << SM::TargetAcquired << Mode::OnTap << Error::InvalidShareMode;
    QTest::newRow("transferring on tap")
        << SM::Transferring << Mode::OnTap << Error::TransferInProgress;
    QTest::newRow("transferring on demand")
        << SM::Transferring << Mode::OnDemand << Error::TransferInProgress;
    QTest::newRow("target held on demand") << SM::TargetAcquired << Mode::OnDemand << Error::None;
    QTest::newRow("ready") << SM::Ready << Mode::OnTap << Error::None;
}

void tst_ShareStateMachine::refusedContentRecordsWhy()
{
    QFETCH(SM::ShareState, from);
    QFETCH(Mode::Type, mode);
    QFETCH(Error::Type, error);

    SM machine;
    driveTo(machine, from, mode);
    if (error != Error::None) {
        // An earlier accepted change must not hide the refusal.
        expectRefusal(SM::SetContent, from);
        QVERIFY(!machine.startAction(SM::SetContent, mode));
    } else {
        QVERIFY(machine.startAction(SM::SetContent, mode));
        machine.commitAction();
    }
    QCOMPARE(machine.getLastSetContentError(), error);
}

void tst_ShareStateMachine::endWithoutStartIsIgnored()
{
    SM machine;
    driveTo(machine, SM::Ready, Mode::OnTap);
    QTest::ignoreMessage(QtWarningMsg,
                         "finishAction without an open action on this thread is ignored");
    machine.commitAction();
    QTest::ignoreMessage(QtWarningMsg,
                         "finishAction without an open action on this thread is ignored");
    machine.cancelAction();
    QCOMPARE(machine.state(), SM::Ready);
    // Still usable: the lock was not unlocked behind its owner's back.
    QVERIFY(machine.startAction(SM::SetContent, Mode::OnTap));
    machine.commitAction();
    QCOMPARE(machine.state(), SM::ContentReady);
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

void tst_ShareStateMachine::refusedAndNestedStartsKeepTheLockBalanced()
{
    SM machine;
    expectRefusal(SM::StartTransfer, SM::Idle);
    QVERIFY(!machine.startAction(SM::StartTransfer, Mode::OnTap));

    QVERIFY(machine.startAction(SM::EnableSharing, Mode::OnTap));
    QVERIFY(machine.startAction(SM::DisableSharing, Mode::OnTap)); // nested on the same thread
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
