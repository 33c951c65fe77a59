#include "xrvinvokerequest_p.h"

#include "navigatormapping_p.h"

#include <cerrno>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace qz::system {

namespace {

void setText(navigator_invoke_invocation_t *handle,
             int (*setter)(navigator_invoke_invocation_t *, const char *), const char *call,
             const QByteArray &text)
{
    throwOnPlatformError(setter(handle, text.constData()), call);
}

} // namespace

void throwOnPlatformError(int result, const char *call)
{
    if (result != 0)
        throw std::system_error(errno, std::generic_category(), call);
}

XrvInvokeRequest::XrvInvokeRequest()
{
    throwOnPlatformError(navigator_invoke_invocation_create(&m_handle),
                         "navigator_invoke_invocation_create");
}

XrvInvokeRequest::~XrvInvokeRequest()
{
    if (m_owned)
        navigator_invoke_invocation_destroy(m_handle);
}

navigator_invoke_viewer_t *XrvInvokeRequest::createViewer()
{
    navigator_invoke_viewer_t *viewer = nullptr;
    throwOnPlatformError(navigator_invoke_viewer_create(&viewer, m_handle),
                         "navigator_invoke_viewer_create");
    m_owned = false;
    return viewer;
}

void XrvInvokeRequest::fill(const InvokeRequest &request, const QString &id)
{
    setText(m_handle, navigator_invoke_invocation_set_id, "navigator_invoke_invocation_set_id",
            id.toUtf8());
    if (!request.target().isEmpty())
        setText(m_handle, navigator_invoke_invocation_set_target,
                "navigator_invoke_invocation_set_target", request.target().toUtf8());
    if (request.targetTypes())
        setTargetTypeMask(navigatormapping::toPlatform(request.targetTypes()));
    if (!request.action().isEmpty())
        setText(m_handle, navigator_invoke_invocation_set_action,
                "navigator_invoke_invocation_set_action", request.action().toUtf8());
    if (!request.mimeType().isEmpty())
        setText(m_handle, navigator_invoke_invocation_set_type,
                "navigator_invoke_invocation_set_type", request.mimeType().toUtf8());
    if (!request.uri().isEmpty())
        setText(m_handle, navigator_invoke_invocation_set_uri,
                "navigator_invoke_invocation_set_uri", request.uri().toEncoded());
    if (const QByteArray data = request.data(); !data.isEmpty()) {
        if (data.size() > std::numeric_limits<int>::max())
            throw std::length_error("invocation data exceeds the platform's size limit");
        throwOnPlatformError(
            navigator_invoke_invocation_set_data(m_handle, data.constData(), int(data.size())),
            "navigator_invoke_invocation_set_data");
    }
    if (!request.metadata().isEmpty()) {
        if (const auto json = navigatormapping::metadataToPlatform(request.metadata()))
            setText(m_handle, navigator_invoke_invocation_set_metadata,
                    "navigator_invoke_invocation_set_metadata", *json);
    }
    throwOnPlatformError(navigator_invoke_invocation_set_perimeter(
                             m_handle, navigatormapping::toPlatform(request.perimeter())),
                         "navigator_invoke_invocation_set_perimeter");
    throwOnPlatformError(navigator_invoke_invocation_set_file_transfer_mode(
                             m_handle, navigatormapping::toPlatform(request.fileTransferMode())),
                         "navigator_invoke_invocation_set_file_transfer_mode");
    throwOnPlatformError(navigator_invoke_invocation_set_list_id(m_handle, request.listId()),
                         "navigator_invoke_invocation_set_list_id");
}

void XrvInvokeRequest::setTargetTypeMask(int mask)
{
    throwOnPlatformError(navigator_invoke_invocation_set_target_type_mask(m_handle, mask),
                         "navigator_invoke_invocation_set_target_type_mask");
}

void XrvInvokeRequest::send()
{
    throwOnPlatformError(navigator_invoke_invocation_send(m_handle),
                         "navigator_invoke_invocation_send");
}

InvokeRequest XrvInvokeRequest::read(const navigator_invoke_invocation_t *invocation)
{
    InvokeRequest request;
    request.setTarget(QString::fromUtf8(navigator_invoke_invocation_get_target(invocation)));
    request.setAction(QString::fromUtf8(navigator_invoke_invocation_get_action(invocation)));
    request.setMimeType(QString::fromUtf8(navigator_invoke_invocation_get_type(invocation)));
    request.setUri(QUrl::fromEncoded(QByteArray(navigator_invoke_invocation_get_uri(invocation))));
    if (const char *metadata = navigator_invoke_invocation_get_metadata(invocation))
        request.setMetadata(navigatormapping::metadataFromPlatform(metadata));
    request.setPerimeter(navigatormapping::perimeterFromPlatform(
        navigator_invoke_invocation_get_perimeter(invocation)));
    request.setFileTransferMode(navigatormapping::fileTransferModeFromPlatform(
        navigator_invoke_invocation_get_file_transfer_mode(invocation)));
    request.setListId(navigator_invoke_invocation_get_list_id(invocation));
    const int length = navigator_invoke_invocation_get_data_length(invocation);
    if (const void *data = navigator_invoke_invocation_get_data(invocation); data && length > 0)
        request.setData(QByteArray(static_cast<const char *>(data), length));
    return request;
}

} // namespace qz::system
