#include "sharestatemachine_p.h"

#include "nfclogging_p.h"

#include <QThread>

namespace qz::system {

ShareStateMachine::ShareStateMachine() = default;
ShareStateMachine::~ShareStateMachine() = default;

bool ShareStateMachine::startAction(ShareAction action, NfcShareStartTransferMode::Type mode)
{
    qCDebug(lcNfc) << "before StartAction lock";
    m_lock.lock();
    m_owner.store(QThread::currentThreadId());
    m_open.append(Action{action, m_state, m_state});
    Action &open = m_open.last();

    if (!decide(open, mode)) {
        qCWarning(lcNfc) << "startAction:" << int(action)
                         << " is not allowed for state:" << int(m_state);
        cancelAction();
        return false;
    }
    qCDebug(lcNfc) << "startAction:" << int(action) << " succeeded";
    qCDebug(lcNfc) << "Current State:" << int(m_state) << " Next State: " << int(open.nextState)
                   << " Cancel State: " << int(open.cancelState);
    return true;
}

// Decides whether the action fits the current state and mode; when it does, plans the next state
// (and, for a transfer, where it leads afterwards and where a cancel leads).
bool ShareStateMachine::decide(Action &open, NfcShareStartTransferMode::Type mode)
{
    const bool onDemand = mode == NfcShareStartTransferMode::OnDemand;
    switch (open.action) {
    case SetContent:
        switch (m_state) {
        case Ready:
        case ContentReady:
            open.nextState = ContentReady;
            m_lastSetContentError = NfcShareSetContentError::None;
            return true;
        case TargetAcquired:
            if (onDemand) {
                open.nextState = TargetAcquired;
                m_lastSetContentError = NfcShareSetContentError::None;
                return true;
            }
            m_lastSetContentError = NfcShareSetContentError::InvalidShareMode;
            return false;
        case Idle:
            m_lastSetContentError = NfcShareSetContentError::InvalidShareMode;
            return false;
        case Transferring:
            m_lastSetContentError = NfcShareSetContentError::TransferInProgress;
            return false;
        }
        qCWarning(lcNfc) << "Unsupported share state:" << int(m_state);
        m_lastSetContentError = NfcShareSetContentError::Unknown;
        return false;
    case EnableSharing:
        open.nextState = Ready;
        return m_state != Transferring;
    case StartTransfer:
        if (m_state != TargetAcquired)
            return false;
        open.nextState = Transferring;
        if (onDemand) {
            // The peer stays held for another transfer; a cancel keeps it too.
            m_stateAfterTransfer = TargetAcquired;
        } else {
            // On tap the peer is gone after the attempt: the next tap must find content ready.
            m_stateAfterTransfer = ContentReady;
            open.cancelState = ContentReady;
        }
        return true;
    case ClearTarget:
        open.nextState = Ready;
        return m_state == TargetAcquired && onDemand;
    case AcquireTarget:
        open.nextState = TargetAcquired;
        return m_state == Ready || m_state == ContentReady ||
               (m_state == TargetAcquired && onDemand);
    case DisableSharing:
    case Reset:
        open.nextState = Idle;
        return m_state != Transferring;
    case CompleteTransfer:
        if (m_state == Transferring) {
            open.nextState = onDemand ? m_stateAfterTransfer : ContentReady;
            return true;
        }
        // A completion with no transfer running (a late SNEP or target-lost event) must not
        // invent a held target or drop the machine to Idle: it changes nothing.
        open.nextState = ContentReady;
        return m_state == ContentReady;
    case NoAction:
        break;
    }
    qCWarning(lcNfc) << "Unsupported internal action:" << int(open.action);
    return false;
}

void ShareStateMachine::commitAction()
{
    finishAction(true);
}

void ShareStateMachine::cancelAction()
{
    finishAction(false);
}

void ShareStateMachine::finishAction(bool commit)
{
    if (m_owner.load() != QThread::currentThreadId() || m_open.isEmpty()) {
        qCWarning(lcNfc) << "finishAction without an open action on this thread is ignored";
        return;
    }
    const Action open = m_open.last();
    m_open.removeLast();
    m_state = commit ? open.nextState : open.cancelState;
    const ShareState newState = m_state;
    if (m_open.isEmpty())
        m_owner.store(nullptr);
    m_lock.unlock();
    qCDebug(lcNfc) << "finishAction -> newState is " << int(newState);
}

NfcShareSetContentError::Type ShareStateMachine::getLastSetContentError() const
{
    return m_lastSetContentError;
}

ShareStateMachine::ShareState ShareStateMachine::state()
{
    QMutexLocker lock(&m_lock);
    return m_state;
}

} // namespace qz::system
