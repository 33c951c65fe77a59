#include "qmlwarningcounter.h"

#include <QByteArrayView>

namespace {

QmlWarningCounter *installed = nullptr;

// The engine reports errors with the file they are in, and its other complaints under
// "qt.qml.*"; console.* logs under "qml" or "js".
bool isFromQml(const QMessageLogContext &context)
{
    const QByteArrayView category(context.category ? context.category : "");
    const QByteArrayView file(context.file ? context.file : "");
    return category == "qml" || category == "js" || category.startsWith("qt.qml.") ||
           file.endsWith(".qml");
}

} // namespace

QmlWarningCounter::QmlWarningCounter()
{
    Q_ASSERT(!installed);
    installed = this;
    m_previous = qInstallMessageHandler(&QmlWarningCounter::handle);
}

QmlWarningCounter::~QmlWarningCounter()
{
    qInstallMessageHandler(m_previous);
    installed = nullptr;
}

void QmlWarningCounter::handle(QtMsgType type, const QMessageLogContext &context,
                               const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && isFromQml(context))
        ++installed->m_count;
    installed->m_previous(type, context, message);
}
