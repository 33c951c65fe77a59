// Counts the warnings QML code and the QML engine emit, while passing every message on.
#ifndef QZGALLERY_QMLWARNINGCOUNTER_H
#define QZGALLERY_QMLWARNINGCOUNTER_H

#include <QtGlobal>

class QmlWarningCounter
{
public:
    /*! Installs the counter as the message handler, in front of the one installed before. */
    QmlWarningCounter();
    /*! Puts the previous handler back. */
    ~QmlWarningCounter();
    QmlWarningCounter(const QmlWarningCounter &) = delete;
    QmlWarningCounter &operator=(const QmlWarningCounter &) = delete;

    /*! Warnings, criticals and fatals that came from QML (console.warn, console.error, binding
        and type errors of .qml files, the engine's own complaints) since the counter was
        installed. */
    int count() const { return m_count; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QtMessageHandler m_previous;
    int m_count = 0;
};

#endif
