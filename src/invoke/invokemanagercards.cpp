// The card side of the invoke manager: what a card and its parent ask of the navigator, and the
// card events it delivers.
#include "invokemanager_p.h"

#include "cardresizemessage_p.h"
#include "invokelogging_p.h"
#include "navigatormapping_p.h"

#include <xrv/navigator.h>

#include <cerrno>
#include <system_error>

namespace qz::system {

namespace {

// A closed-card text that the navigator could not give (no text, errno set) is reported and read
// as empty; the event is still delivered.
QString closedCardText(xrv_event_t *event, const char *(*accessor)(xrv_event_t *),
                       const char *failure)
{
    errno = 0;
    if (const char *text = accessor(event))
        return QString::fromUtf8(text);
    if (const int error = errno)
        qCWarning(lcInvoke) << failure
                            << QString::fromStdString(std::generic_category().message(error));
    return {};
}

} // namespace

bool InvokeManager::cardPeek(CardPeek::Type type)
{
    return navigator_card_peek(navigatormapping::toPlatform(type)) == 0;
}

bool InvokeManager::closeChildCard()
{
    return navigator_card_close_child() == 0;
}

bool InvokeManager::sendCardDone(const CardDoneMessage &message)
{
    return navigator_card_close(message.reason().toUtf8().constData(),
                                message.dataType().toUtf8().constData(),
                                message.data().toUtf8().constData()) == 0;
}

bool InvokeManager::cardResized(const CardResizeMessage &message)
{
    return navigator_card_resized(message.id().toUtf8().constData()) == 0;
}

bool InvokeManager::swipeAway()
{
    return navigator_card_swipe_away() == 0;
}

bool InvokeManager::requestCardReadyCheck(bool enable)
{
    return navigator_card_request_card_ready_check(enable) == 0;
}

bool InvokeManager::cardReady()
{
    return navigator_card_send_card_ready() == 0;
}

void InvokeManagerPrivate::onChildCardPeekStarted(xrv_event_t *event)
{
    Q_EMIT q->childPeekStarted(
        navigatormapping::cardPeekFromPlatform(navigator_event_get_card_peek_type(event)));
}

void InvokeManagerPrivate::onChildCardPeekEnded(xrv_event_t *)
{
    Q_EMIT q->childPeekEnded();
}

void InvokeManagerPrivate::onCardResize(xrv_event_t *event)
{
    Q_EMIT q->cardResizeRequested(CardResizeMessagePrivate::create(
        QString::fromLatin1(navigator_event_get_id(event)), navigator_event_get_card_width(event),
        navigator_event_get_card_height(event),
        navigatormapping::cardEdgeFromPlatform(navigator_event_get_card_edge(event)),
        navigatormapping::cardOrientationFromPlatform(
            navigator_event_get_card_orientation(event))));
}

void InvokeManagerPrivate::onChildCardClosed(xrv_event_t *event)
{
    CardDoneMessage message;
    message.setReason(navigatorEventGetCardClosedReason(event));
    message.setDataType(navigatorEventGetCardClosedDataType(event));
    message.setData(navigatorEventGetCardClosedData(event));
    Q_EMIT q->childCardDone(message);
}

void InvokeManagerPrivate::onCardPooled(xrv_event_t *event)
{
    CardDoneMessage message;
    message.setReason(navigatorEventGetCardClosedReason(event));
    Q_EMIT q->cardPooled(message);
}

void InvokeManagerPrivate::onCardPeekStarted(xrv_event_t *event)
{
    Q_EMIT q->cardPeekStarted(
        navigatormapping::cardPeekFromPlatform(navigator_event_get_peek_type(event)));
}

void InvokeManagerPrivate::onCardPeekEnded(xrv_event_t *)
{
    Q_EMIT q->cardPeekEnded();
}

void InvokeManagerPrivate::onCardReadyCheck(xrv_event_t *)
{
    Q_EMIT q->cardReadyCheck();
}

QString InvokeManagerPrivate::navigatorEventGetCardClosedReason(xrv_event_t *event)
{
    return closedCardText(event, navigator_event_get_card_closed_reason,
                          "InvokeManager::navigatorEventGetCardClosedReason - Failed to determine "
                          "Navigator's card closed reason, ERROR: ");
}

QString InvokeManagerPrivate::navigatorEventGetCardClosedDataType(xrv_event_t *event)
{
    return closedCardText(event, navigator_event_get_card_closed_data_type,
                          "InvokeManager::navigatorEventGetCardClosedDataType - Failed to "
                          "determine Navigator's card closed data type, ERROR: ");
}

QString InvokeManagerPrivate::navigatorEventGetCardClosedData(xrv_event_t *event)
{
    return closedCardText(event, navigator_event_get_card_closed_data,
                          "InvokeManager::navigatorEventGetCardClosedData - Failed to determine "
                          "Navigator's card closed data, ERROR: ");
}

} // namespace qz::system
