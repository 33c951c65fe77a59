#include "invokemanager_p.h"

#include "invokereply_p.h"
#include "navigatormapping_p.h"
#include "xrvinvokerequest_p.h"

#include <xrv/navigator.h>

#include <exception>

namespace qz::system {

InvokeManager::InvokeManager(QObject *parent)
    : QObject(parent)
    , d(new InvokeManagerPrivate(this))
{
    // Made before any connection of the application's, so the child-peek signals come first.
    connect(this, &InvokeManager::childPeekStarted, this, &InvokeManager::peekStarted);
    connect(this, &InvokeManager::childPeekEnded, this, &InvokeManager::peekEnded);
    d->listen();
}

InvokeManager::~InvokeManager() = default;

InvokeTargetReply *InvokeManager::invoke(const InvokeRequest &request)
{
    auto *reply = new InvokeTargetReply(this);
    try {
        XrvInvokeRequest invocation;
        invocation.fill(request, InvokeReplyPrivate::idFromReply(reply));
        invocation.send();
    } catch (const std::exception &) {
        delete reply;
        return nullptr;
    }
    return reply;
}

ApplicationStartupMode::Type InvokeManager::startupMode() const
{
    const QByteArray mode = qgetenv("MODE");
    if (qgetenv("uri") == "invoke://localhost") {
        if (mode == "card")
            return ApplicationStartupMode::InvokeCard;
        if (mode == "view")
            return ApplicationStartupMode::InvokeViewer;
        if (mode == "headless")
            return ApplicationStartupMode::InvokeHeadless;
        return ApplicationStartupMode::InvokeApplication;
    }
    return mode == "headless" ? ApplicationStartupMode::LaunchHeadless
                              : ApplicationStartupMode::LaunchApplication;
}

bool InvokeManager::selectListItem(InvokeListCursorDirection::Type direction)
{
    const auto selection = navigatormapping::toPlatform(direction);
    return selection && navigator_invoke_select_list_item(*selection) == 0;
}

} // namespace qz::system
