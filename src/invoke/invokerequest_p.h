/*
 * Not API. The fields of an InvokeRequest, and the access the invoke manager needs to fill the
 * source of a received request.
 */
#ifndef QZ_SYSTEM_INVOKEREQUEST_P_H
#define QZ_SYSTEM_INVOKEREQUEST_P_H

#include <qz/system/invokerequest.h>

namespace qz::system {

class InvokeRequestPrivate
{
public:
    InvokeSource source;
    QString target;
    QString action;
    QString mimeType;
    QUrl uri;
    QByteArray data;
    QVariantMap metadata;
    SecurityPerimeter::Type perimeter = SecurityPerimeter::Default;
    FileTransferMode::Type fileTransferMode = FileTransferMode::Unspecified;
    InvokeTarget::Types targetTypes;
    int listId = 0;

    static void setSource(InvokeRequest &request, const InvokeSource &source);
};

} // namespace qz::system

#endif
