// The gallery's --smoke run: every page loaded in turn, then one toast shown and awaited.
#ifndef QZGALLERY_SMOKERUN_H
#define QZGALLERY_SMOKERUN_H

#include <QObject>
#include <QString>
#include <QTimer>

class SmokeRun : public QObject
{
    Q_OBJECT

public:
    /*! Drives \a window, the gallery's main window, through its properties pageCount,
        currentIndex and currentPage. */
    explicit SmokeRun(QObject *window, QObject *parent = nullptr);

    /*! Shows each page for a moment, so what the page's services answer when it opens arrives
        while it is up; then shows the toast of the first page (its showToast()) and waits for
        its outcome (its toastOutcome), which must be "TimeOut". */
    void start();

Q_SIGNALS:
    /*! The run ended; \a failure says why it failed, and is empty when it passed. */
    void finished(const QString &failure);

private Q_SLOTS:
    void toastOutcomeChanged();

private:
    void showPage(int index);
    void showToast();
    QObject *currentPage() const;

    QObject *const m_window;
    QTimer m_deadline;
};

#endif
