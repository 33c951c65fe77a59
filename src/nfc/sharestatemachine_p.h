/*
 * Not API. The phases of an NFC share and the transactions that move between them.
 */
#ifndef QZ_SYSTEM_SHARESTATEMACHINE_P_H
#define QZ_SYSTEM_SHARESTATEMACHINE_P_H

#include <qz/system/nfcshareenums.h>

#include <QRecursiveMutex>
#include <QVarLengthArray>

#include <atomic>

namespace qz::system {

/*!
    Guards the share manager against operations that do not fit its phase. Every state-changing
    operation is a transaction: startAction() decides whether the action is allowed and plans where
    a commit and a cancel lead; commitAction() or cancelAction() then ends it. The lock is held from
    a successful start to that end, so a transaction of another thread waits; the owning thread may
    nest (the lock is recursive).
*/
class ShareStateMachine
{
public:
    // The numbers are what the log lines print.
    enum ShareState { Idle = 0, Ready = 1, ContentReady = 2, TargetAcquired = 3, Transferring = 4 };
    enum ShareAction {
        NoAction = 0,
        SetContent = 1,
        EnableSharing = 2,
        StartTransfer = 3,
        ClearTarget = 4,
        AcquireTarget = 5,
        DisableSharing = 6,
        Reset = 7,
        CompleteTransfer = 8
    };

    ShareStateMachine();
    ~ShareStateMachine();

    /*! True when \a action is allowed now under the start-transfer mode \a mode: the lock stays
        held until commitAction() or cancelAction(). False when refused: the action has already
        been cancelled and the lock released; neither may follow. */
    bool startAction(ShareAction action, NfcShareStartTransferMode::Type mode);
    /*! Ends the open action; the state becomes the planned next state. */
    void commitAction();
    /*! Ends the open action; the state becomes the planned cancel state. */
    void cancelAction();

    /*! What the last SetContent action recorded; read right after it on the same thread. */
    NfcShareSetContentError::Type getLastSetContentError() const;
    /*! The current state, read under the lock. */
    ShareState state();

    ShareStateMachine(const ShareStateMachine &) = delete;
    ShareStateMachine &operator=(const ShareStateMachine &) = delete;

private:
    // One open action: what runs and where its commit and its cancel lead.
    struct Action
    {
        ShareAction action = NoAction;
        ShareState cancelState = Idle;
        ShareState nextState = Idle;
    };

    bool decide(Action &open, NfcShareStartTransferMode::Type mode);
    void finishAction(bool commit);

    QRecursiveMutex m_lock;
    ShareState m_state = Idle;
    ShareState m_stateAfterTransfer = Idle;
    NfcShareSetContentError::Type m_lastSetContentError = NfcShareSetContentError::None;
    // The open actions of the owning thread, innermost last: one per time it holds the lock, so a
    // nested action neither overwrites the plan of the one around it nor unbalances the lock.
    QVarLengthArray<Action, 2> m_open;
    // Which thread holds the lock: an end without a matching start is refused instead of
    // unlocking a mutex this thread does not hold.
    std::atomic<Qt::HANDLE> m_owner{nullptr};
};

} // namespace qz::system

#endif
