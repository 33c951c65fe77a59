/*
 * Not API. The codes of the navigator domain's events that the invocation subsystem handles.
 */
#ifndef QZ_SYSTEM_NAVIGATOREVENT_P_H
#define QZ_SYSTEM_NAVIGATOREVENT_P_H

namespace qz::system::NavigatorEvent {

enum Code {
    Invoked = 16,
    QueryTargetsResult = 17,
    ViewerInvoked = 18,
    ViewerRelay = 21,
    ViewerClosed = 22,
    ViewerRelayResult = 25,
    ChildCardPeekStarted = 30,
    ChildCardPeekEnded = 31,
    CardResize = 32,
    ChildCardClosed = 33,
    CardPooled = 34,
    TargetFiltersResult = 35,
    CardPeekStarted = 38,
    CardPeekEnded = 39,
    CardReadyCheck = 40,
    ListCursorMoved = 43,
    ListItemSelected = 44,
};

// The navigator answers an invocation with any of these codes; replies treat them alike.
constexpr int InvokeReplyCodes[] = {19, 20, 37, 45};

} // namespace qz::system::NavigatorEvent

#endif
