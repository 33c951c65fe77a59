#include "navigatormapping_p.h"

#include <qz/PpsObject>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace qz::system::navigatormapping {

namespace {

template<typename Library, typename Platform> struct Pair
{
    Library library;
    Platform platform;
};

template<typename Library, typename Platform, size_t N>
std::optional<Platform> findPlatform(const Pair<Library, Platform> (&table)[N], Library value)
{
    const auto it = std::find_if(std::begin(table), std::end(table),
                                 [value](const auto &pair) { return pair.library == value; });
    return it == std::end(table) ? std::nullopt : std::optional<Platform>(it->platform);
}

template<typename Library, typename Platform, size_t N, typename Equal>
std::optional<Library> findLibrary(const Pair<Library, Platform> (&table)[N], Equal matches)
{
    const auto it = std::find_if(std::begin(table), std::end(table),
                                 [&matches](const auto &pair) { return matches(pair.platform); });
    return it == std::end(table) ? std::nullopt : std::optional<Library>(it->library);
}

template<typename Library, size_t N>
std::optional<Library> findLibrary(const Pair<Library, int> (&table)[N], int value)
{
    return findLibrary(table, [value](int platform) { return platform == value; });
}

const Pair<SecurityPerimeter::Type, int> Perimeters[] = {
    {SecurityPerimeter::Default, 0},
    {SecurityPerimeter::Personal, 1},
    {SecurityPerimeter::Enterprise, 2},
};

const Pair<FileTransferMode::Type, int> FileTransferModes[] = {
    {FileTransferMode::Preserve, 1},
    {FileTransferMode::CopyReadOnly, 2},
    {FileTransferMode::CopyReadWrite, 3},
    {FileTransferMode::Link, 4},
};

const Pair<InvokeTarget::Type, int> TargetTypes[] = {
    {InvokeTarget::Application, 1}, {InvokeTarget::Card, 2},      {InvokeTarget::Viewer, 4},
    {InvokeTarget::Service, 8},     {InvokeTarget::Headless, 64},
};

const Pair<InvokeReplyError::Type, const char *> ReplyErrors[] = {
    {InvokeReplyError::NoTarget, "INVOKE_NO_TARGET_ERROR"},
    {InvokeReplyError::BadRequest, "INVOKE_BAD_REQUEST_ERROR"},
    {InvokeReplyError::TargetNotOwned, "INVOKE_TARGET_NOT_OWNED_ERROR"},
    {InvokeReplyError::InsufficientPrivileges, "INVOKE_INSUFFICIENT_PRIVILEGES_ERROR"},
    {InvokeReplyError::Target, "INVOKE_TARGET_ERROR"},
};

const Pair<CardPeek::Type, int> CardPeeks[] = {
    {CardPeek::Root, 0},
};
constexpr int OtherPeek = 1;

const Pair<CardEdge::Type, int> CardEdges[] = {
    {CardEdge::Top, 0},
    {CardEdge::Right, 90},
    {CardEdge::Bottom, 180},
    {CardEdge::Left, 270},
};

const Pair<CardOrientation::Type, int> CardOrientations[] = {
    {CardOrientation::Portrait, 1},
    {CardOrientation::Landscape, 0},
};

const Pair<InvokeListCursorDirection::Type, int> ListDirections[] = {
    {InvokeListCursorDirection::Next, 1},
    {InvokeListCursorDirection::Previous, 2},
};

// The PPS encoder writes a map {"objVal": metadata} as this prefix, the JSON text and a line end.
constexpr char MetadataAttribute[] = "objVal";
constexpr char MetadataPrefix[] = "objVal:json:";

} // namespace

int toPlatform(SecurityPerimeter::Type perimeter)
{
    return findPlatform(Perimeters, perimeter).value_or(0);
}

SecurityPerimeter::Type perimeterFromPlatform(int perimeter)
{
    return findLibrary(Perimeters, perimeter).value_or(SecurityPerimeter::Default);
}

int toPlatform(FileTransferMode::Type mode)
{
    return findPlatform(FileTransferModes, mode).value_or(0);
}

FileTransferMode::Type fileTransferModeFromPlatform(int mode)
{
    return findLibrary(FileTransferModes, mode).value_or(FileTransferMode::Unspecified);
}

int toPlatform(InvokeTarget::Types types)
{
    return int(types);
}

InvokeTarget::Type targetTypeFromPlatform(int type)
{
    return findLibrary(TargetTypes, type).value_or(InvokeTarget::Unspecified);
}

InvokeReplyError::Type replyErrorFromPlatform(const char *text)
{
    if (!text || !*text)
        return InvokeReplyError::None;
    return findLibrary(ReplyErrors,
                       [text](const char *known) { return std::strcmp(known, text) == 0; })
        .value_or(InvokeReplyError::Internal);
}

int toPlatform(CardPeek::Type peek)
{
    return findPlatform(CardPeeks, peek).value_or(OtherPeek);
}

CardPeek::Type cardPeekFromPlatform(int peek)
{
    return findLibrary(CardPeeks, peek).value_or(CardPeek::Parent);
}

CardEdge::Type cardEdgeFromPlatform(int degrees)
{
    return findLibrary(CardEdges, degrees).value_or(CardEdge::Unspecified);
}

CardOrientation::Type cardOrientationFromPlatform(int orientation)
{
    return findLibrary(CardOrientations, orientation).value_or(CardOrientation::Unspecified);
}

std::optional<int> toPlatform(InvokeListCursorDirection::Type direction)
{
    return findPlatform(ListDirections, direction);
}

std::optional<InvokeListCursorDirection::Type> listDirectionFromPlatform(int direction)
{
    return findLibrary(ListDirections, direction);
}

std::optional<QByteArray> metadataToPlatform(const QVariantMap &metadata)
{
    bool ok = false;
    const QByteArray line = PpsObject::encode({{QLatin1String(MetadataAttribute), metadata}}, &ok);
    // Checked rather than cut blindly: anything but the expected line is not metadata text.
    if (!ok || !line.startsWith(MetadataPrefix) || !line.endsWith('\n'))
        return std::nullopt;
    const QByteArray json = line.mid(qsizetype(sizeof MetadataPrefix) - 1).chopped(1);
    if (json.isEmpty())
        return std::nullopt;
    return json;
}

QVariantMap metadataFromPlatform(const char *text)
{
    if (!text)
        return {};
    // A raw line break can only be whitespace between JSON tokens; inside the PPS line it would
    // end the attribute and let the rest of the text pose as further attributes.
    QByteArray json(text);
    json.replace('\n', ' ').replace('\r', ' ');
    bool ok = false;
    const QVariantMap decoded = PpsObject::decode(MetadataPrefix + json + '\n', &ok);
    return ok ? decoded.value(QLatin1String(MetadataAttribute)).toMap() : QVariantMap();
}

} // namespace qz::system::navigatormapping
