/*
 * Not API. The one place where the invocation enumerations meet the navigator's numbers and texts.
 * Everything that talks to the navigator (invocations, replies, card events, queries, viewers,
 * menus) converts through these functions, so each mapping exists once.
 */
#ifndef QZ_SYSTEM_NAVIGATORMAPPING_P_H
#define QZ_SYSTEM_NAVIGATORMAPPING_P_H

#include <qz/system/cardedge.h>
#include <qz/system/cardorientation.h>
#include <qz/system/cardpeek.h>
#include <qz/system/filetransfermode.h>
#include <qz/system/invokelistcursordirection.h>
#include <qz/system/invokereplyerror.h>
#include <qz/system/invoketarget.h>
#include <qz/system/securityperimeter.h>

#include <QByteArray>
#include <QVariantMap>

#include <optional>

namespace qz::system::navigatormapping {

int toPlatform(SecurityPerimeter::Type perimeter);
SecurityPerimeter::Type perimeterFromPlatform(int perimeter);

int toPlatform(FileTransferMode::Type mode);
FileTransferMode::Type fileTransferModeFromPlatform(int mode);

/*! The flag mask's value unchanged. */
int toPlatform(InvokeTarget::Types types);
/*! Only single kinds the platform reports for a target; Self and unknown values are Unspecified. */
InvokeTarget::Type targetTypeFromPlatform(int type);

/*! Compares the whole text; null or empty is None, an unknown text Internal. */
InvokeReplyError::Type replyErrorFromPlatform(const char *text);

/*! Root is 0, any other value 1. */
int toPlatform(CardPeek::Type peek);
CardPeek::Type cardPeekFromPlatform(int peek);
/*! The up edge arrives in degrees. */
CardEdge::Type cardEdgeFromPlatform(int degrees);
CardOrientation::Type cardOrientationFromPlatform(int orientation);

/*! List navigation in both directions; nothing for a value without a direction. */
std::optional<int> toPlatform(InvokeListCursorDirection::Type direction);
std::optional<InvokeListCursorDirection::Type> listDirectionFromPlatform(int direction);

/*! Metadata as the JSON object text the navigator carries; nothing when it cannot be encoded. */
std::optional<QByteArray> metadataToPlatform(const QVariantMap &metadata);
/*! The map of a JSON object text; empty for null or anything that is not a JSON object. */
QVariantMap metadataFromPlatform(const char *text);

} // namespace qz::system::navigatormapping

#endif
