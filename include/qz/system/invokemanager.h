#ifndef QZ_SYSTEM_INVOKEMANAGER_H
#define QZ_SYSTEM_INVOKEMANAGER_H

#include <qz/system/applicationstartupmode.h>
#include <qz/system/carddonemessage.h>
#include <qz/system/cardpeek.h>
#include <qz/system/cardresizemessage.h>
#include <qz/system/invokelistcursordirection.h>
#include <qz/system/invokequerytargetsreply.h>
#include <qz/system/invokequerytargetsrequest.h>
#include <qz/system/invokerequest.h>
#include <qz/system/invokerequesttargetfiltersreply.h>
#include <qz/system/invoketargetreply.h>
#include <qz/system/invoketimerrequest.h>
#include <qz/system/invokeupdatetargetfiltersrequest.h>
#include <qz/system/invokeviewermessage.h>
#include <qz/system/invokeviewermessagereply.h>
#include <qz/system/invokeviewerrequest.h>

#include <QObject>
#include <QVariant>

#include <memory>

namespace qz::system {

class InvokeManagerPrivate;

/*!
    \class qz::system::InvokeManager
    \brief The application's door to the platform's navigator for invocations and cards.

    Sends invocations and hands back replies that finish when the navigator answers; turns the
    invocations, list-navigation requests, viewer and card events the navigator delivers to this
    application into signals; tells how the application was started. It listens to the navigator
    from construction to destruction.

    Operations report failure through their result only: null or false when the platform refused
    a call. Nothing throws.
*/
class QZSYSTEM_EXPORT InvokeManager : public QObject
{
    Q_OBJECT
public:
    explicit InvokeManager(QObject *parent = nullptr);
    ~InvokeManager() override;

    /*!
        Sends \a request. Returns its reply, a child of this manager that the caller may delete;
        null (and nothing sent) when the platform refused any part of the request.
    */
    Q_INVOKABLE qz::system::InvokeTargetReply *invoke(const qz::system::InvokeRequest &request);

    /*! How this application was started; read from the environment on every call. */
    Q_INVOKABLE qz::system::ApplicationStartupMode::Type startupMode() const;

    /*! Moves the selection of the list this application was invoked from. */
    Q_INVOKABLE bool selectListItem(qz::system::InvokeListCursorDirection::Type direction);

    /*!
        Invokes a viewer into the window group of \a request at its size (sent only when both
        sides are positive); the navigator picks among viewers only, whatever the request's target
        types. Returns the reply, a child of this manager; null when the platform refused any part.
    */
    Q_INVOKABLE qz::system::InvokeTargetReply *
    invoke(const qz::system::InvokeViewerRequest &request);
    /*!
        Sends a relay. Its window group is the message's, or, when that is empty and this
        application runs as a viewer, the one it was started in ("WINID"); an application that is
        not a viewer must name one. \a sent (when not null) tells whether the relay went out. A
        message with an id gets a reply, a child of this manager; otherwise the result is null.
    */
    Q_INVOKABLE qz::system::InvokeViewerMessageReply *
    send(const qz::system::InvokeViewerMessage &message, bool *sent = nullptr);
    /*! Answers a received relay that has an id; false without an id or when not sent. */
    Q_INVOKABLE bool reply(const qz::system::InvokeViewerMessage &message);
    /*! As an invoker: closes the viewer in the window group \a windowId. */
    Q_INVOKABLE bool closeViewer(const QString &windowId);
    /*! As a viewer: asks the invoker to close this viewer. */
    Q_INVOKABLE bool viewerRequestClose();

    /*!
        Asks the navigator to invoke the request's target at its specific time or by its
        recurrence rule. Returns the reply, a child of this manager; null, with a warning, when the
        request holds no timer, its time or rule cannot be translated, or the platform refused it.
    */
    Q_INVOKABLE qz::system::InvokeReply *
    registerTimer(const qz::system::InvokeTimerRequest &request);
    /*! Withdraws the timer \a timerId (sent without a timer id when empty); as registerTimer(). */
    Q_INVOKABLE qz::system::InvokeReply *deregisterTimer(const QString &timerId);

    /*! As a card: peeks at its parent or at the root of the card stack. */
    Q_INVOKABLE bool cardPeek(qz::system::CardPeek::Type type);
    /*! As a parent: closes the child card. */
    Q_INVOKABLE bool closeChildCard();
    /*! As a card: closes with \a message as the result. */
    Q_INVOKABLE bool sendCardDone(const qz::system::CardDoneMessage &message);
    /*! As a card: acknowledges the resize request \a message. */
    Q_INVOKABLE bool cardResized(const qz::system::CardResizeMessage &message);
    Q_INVOKABLE bool swipeAway();
    /*! As a card: asks for (or stops) cardReadyCheck() before it is shown. */
    Q_INVOKABLE bool requestCardReadyCheck(bool enable);
    /*! As a card: answers cardReadyCheck(). */
    Q_INVOKABLE bool cardReady();

    /*! Asks which targets handle \a request. Returns the reply, a child of this manager that the
        caller may delete; null (and nothing sent) when the platform refused any part of it. */
    Q_INVOKABLE qz::system::InvokeQueryTargetsReply *
    queryTargets(const qz::system::InvokeQueryTargetsRequest &request);
    /*! Asks for the filters of this application's target \a targetKey; null when the key is
        empty or the request could not be sent. */
    Q_INVOKABLE qz::system::InvokeRequestTargetFiltersReply *
    requestTargetFilters(const QString &targetKey);
    /*! Replaces the filters of a target of this application, as they are; null when the request
        could not be sent. */
    Q_INVOKABLE qz::system::InvokeReply *
    updateTargetFilters(const qz::system::InvokeUpdateTargetFiltersRequest &request);

Q_SIGNALS:
    void invoked(const qz::system::InvokeRequest &request);
    void listItemSelected(int listId, qz::system::InvokeListCursorDirection::Type direction);
    void listCursorMoved(int listId, qz::system::InvokeListCursorDirection::Type direction);
    void listItemSelectedFromCursor(int listId);
    void invoked(const qz::system::InvokeViewerRequest &request);
    /*! A relay from a viewer or from the application that invoked this one as a viewer. */
    void received(const qz::system::InvokeViewerMessage &message);
    /*! The viewer in the window group \a windowId asks to be closed; it does not arrive as
        received(). */
    void viewerCloseRequestReceived(const QString &windowId);
    void viewerClosed(const QString &windowId);
    /*! Every child-peek notification also comes as peekStarted(). */
    void childPeekStarted(qz::system::CardPeek::Type type);
    void peekStarted(qz::system::CardPeek::Type type);
    void childPeekEnded();
    void peekEnded();
    void cardReadyCheck();
    void cardPeekStarted(qz::system::CardPeek::Type type);
    void cardPeekEnded();
    void cardResizeRequested(const qz::system::CardResizeMessage &message);
    void cardPooled(const qz::system::CardDoneMessage &message);
    void childCardDone(const qz::system::CardDoneMessage &message);
    /*! Each invoked() again, its request (an InvokeRequest or an InvokeViewerRequest) in a
        variant: QML sees only the overload of a signal declared last. */
    void invoked(const QVariant &request);

private:
    friend class InvokeManagerPrivate;
    std::unique_ptr<InvokeManagerPrivate> const d;

    Q_DISABLE_COPY(InvokeManager)
};

} // namespace qz::system

#endif
