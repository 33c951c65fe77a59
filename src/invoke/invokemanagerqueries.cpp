// Target queries and target filters of InvokeManager.
#include <qz/system/invokemanager.h>

#include "invokelogging_p.h"
#include "invokereply_p.h"
#include "invoketargetfilter_p.h"
#include "navigatormapping_p.h"
#include "xrvinvokerequest_p.h"

#include <xrv/navigator.h>

#include <exception>
#include <limits>
#include <memory>
#include <vector>

namespace qz::system {

namespace {

// The platform's query handle, destroyed on every way out; each failed call throws.
class XrvQueryRequest
{
public:
    XrvQueryRequest()
    {
        throwOnPlatformError(navigator_invoke_query_create(&m_handle),
                             "navigator_invoke_query_create");
    }
    ~XrvQueryRequest()
    {
        if (m_handle)
            navigator_invoke_query_destroy(m_handle);
    }
    XrvQueryRequest(const XrvQueryRequest &) = delete;
    XrvQueryRequest &operator=(const XrvQueryRequest &) = delete;

    void fill(const InvokeQueryTargetsRequest &request, const QString &id)
    {
        setText(navigator_invoke_query_set_id, "navigator_invoke_query_set_id", id.toUtf8());
        if (!request.action().isEmpty())
            setText(navigator_invoke_query_set_action, "navigator_invoke_query_set_action",
                    request.action().toUtf8());
        if (!request.mimeType().isEmpty())
            setText(navigator_invoke_query_set_type, "navigator_invoke_query_set_type",
                    request.mimeType().toUtf8());
        if (!request.uri().isEmpty())
            setText(navigator_invoke_query_set_file_uri, "navigator_invoke_query_set_file_uri",
                    request.uri().toEncoded());
        throwOnPlatformError(navigator_invoke_query_set_target_type_mask(
                                 m_handle, navigatormapping::toPlatform(request.targetTypes())),
                             "navigator_invoke_query_set_target_type_mask");
        throwOnPlatformError(
            navigator_invoke_query_set_action_type(m_handle, actionTypeToPlatform(request)),
            "navigator_invoke_query_set_action_type");
        throwOnPlatformError(navigator_invoke_query_set_perimeter(
                                 m_handle, navigatormapping::toPlatform(request.perimeter())),
                             "navigator_invoke_query_set_perimeter");
    }

    void send()
    {
        throwOnPlatformError(navigator_invoke_query_send(m_handle), "navigator_invoke_query_send");
    }

private:
    void setText(int (*setter)(navigator_invoke_query_t *, const char *), const char *call,
                 const QByteArray &text)
    {
        throwOnPlatformError(setter(m_handle, text.constData()), call);
    }

    // The platform numbers all actions 2 and menu actions 1; 0 stands for a value it does not
    // know.
    static int actionTypeToPlatform(const InvokeQueryTargetsRequest &request)
    {
        switch (request.actionType()) {
        case InvokeAction::All:
            return 2;
        case InvokeAction::Menu:
            return 1;
        }
        return 0;
    }

    navigator_invoke_query_t *m_handle = nullptr;
};

} // namespace

InvokeQueryTargetsReply *InvokeManager::queryTargets(const InvokeQueryTargetsRequest &request)
{
    auto reply = std::make_unique<InvokeQueryTargetsReply>(this);
    try {
        XrvQueryRequest query;
        query.fill(request, InvokeReplyPrivate::idFromReply(reply.get()));
        query.send();
    } catch (const std::exception &) {
        return nullptr;
    }
    return reply.release();
}

InvokeRequestTargetFiltersReply *InvokeManager::requestTargetFilters(const QString &targetKey)
{
    // Checked before the reply exists: nothing reaches the platform for a request that cannot be
    // sent.
    if (targetKey.isEmpty()) {
        qCWarning(lcInvoke, "targetKey is null.");
        return nullptr;
    }
    auto reply = std::make_unique<InvokeRequestTargetFiltersReply>(this);
    const QByteArray id = InvokeReplyPrivate::idFromReply(reply.get()).toUtf8();
    if (navigator_invoke_get_filters(id.constData(), targetKey.toUtf8().constData()) != 0) {
        qCWarning(lcInvoke, "Failed to send request.");
        return nullptr;
    }
    return reply.release();
}

InvokeReply *InvokeManager::updateTargetFilters(const InvokeUpdateTargetFiltersRequest &request)
{
    auto reply = std::make_unique<InvokeReply>(this);
    const QList<InvokeTargetFilter> filters = request.filters();
    std::vector<QByteArray> texts;
    texts.reserve(size_t(filters.size()));
    for (const InvokeTargetFilter &filter : filters)
        texts.push_back(InvokeTargetFilterPrivate::write(filter).toUtf8());
    std::vector<const char *> pointers;
    pointers.reserve(texts.size());
    for (const QByteArray &text : texts)
        pointers.push_back(text.constData());

    const QByteArray id = InvokeReplyPrivate::idFromReply(reply.get()).toUtf8();
    if (pointers.size() > size_t(std::numeric_limits<int>::max()) ||
        navigator_invoke_set_filters(id.constData(), request.target().toUtf8().constData(),
                                     pointers.data(), int(pointers.size())) != 0) {
        qCWarning(lcInvoke, "Failed to send request.");
        return nullptr;
    }
    return reply.release();
}

} // namespace qz::system
