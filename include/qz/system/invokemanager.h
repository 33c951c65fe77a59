#ifndef QZ_SYSTEM_INVOKEMANAGER_H
#define QZ_SYSTEM_INVOKEMANAGER_H

#include <qz/system/applicationstartupmode.h>
#include <qz/system/carddonemessage.h>
#include <qz/system/cardpeek.h>
#include <qz/system/cardresizemessage.h>
#include <qz/system/invokelistcursordirection.h>
#include <qz/system/invokerequest.h>
#include <qz/system/invoketargetreply.h>
#include <qz/system/invokeviewermessage.h>
#include <qz/system/invokeviewerrequest.h>

#include <QObject>

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
    InvokeTargetReply *invoke(const InvokeRequest &request);

    /*! How this application was started; read from the environment on every call. */
    ApplicationStartupMode::Type startupMode() const;

    /*! Moves the selection of the list this application was invoked from. */
    bool selectListItem(qz::system::InvokeListCursorDirection::Type direction);

    /*! As a card: peeks at its parent or at the root of the card stack. */
    bool cardPeek(qz::system::CardPeek::Type type);
    /*! As a parent: closes the child card. */
    bool closeChildCard();
    /*! As a card: closes with \a message as the result. */
    bool sendCardDone(const qz::system::CardDoneMessage &message);
    /*! As a card: acknowledges the resize request \a message. */
    bool cardResized(const qz::system::CardResizeMessage &message);
    bool swipeAway();
    /*! As a card: asks for (or stops) cardReadyCheck() before it is shown. */
    bool requestCardReadyCheck(bool enable);
    /*! As a card: answers cardReadyCheck(). */
    bool cardReady();

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

private:
    friend class InvokeManagerPrivate;
    std::unique_ptr<InvokeManagerPrivate> const d;

    Q_DISABLE_COPY(InvokeManager)
};

} // namespace qz::system

#endif
