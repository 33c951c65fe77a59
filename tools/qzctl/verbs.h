// One function per qzctl verb; each takes the verb's arguments (the verb itself first) and
// returns the exit code.
#ifndef QZCTL_VERBS_H
#define QZCTL_VERBS_H

#include <QStringList>

int toastVerb(const QStringList &arguments);
int dialogVerb(const QStringList &arguments);
int promptVerb(const QStringList &arguments);
int loginVerb(const QStringList &arguments);
int listVerb(const QStringList &arguments);
int progressVerb(const QStringList &arguments);
int nfcVerb(const QStringList &arguments);
int nfcShareVerb(const QStringList &arguments);
int bluetoothVerb(const QStringList &arguments);
int wifiDirectVerb(const QStringList &arguments);
int phoneVerb(const QStringList &arguments);
int invokeVerb(const QStringList &arguments);
int listenVerb(const QStringList &arguments);
int queryVerb(const QStringList &arguments);
int filtersVerb(const QStringList &arguments);
int timerVerb(const QStringList &arguments);
int viewerVerb(const QStringList &arguments);
int clockVerb(const QStringList &arguments);
int localeVerb(const QStringList &arguments);
int contextVerb(const QStringList &arguments);
int menuVerb(const QStringList &arguments);
int clipboardVerb(const QStringList &arguments);
int screenshotVerb(const QStringList &arguments);

#endif
