// qzctl: the library's services from a shell, against whatever device services run (qzdevice).
#include "verbs.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

struct Verb
{
    const char *name;
    int (*run)(const QStringList &arguments);
    const char *summary;
};

const Verb verbs[] = {
    {"toast", toastVerb, "show a toast"},
    {"dialog", dialogVerb, "show an alert dialog"},
    {"prompt", promptVerb, "ask for one line of text"},
    {"login", loginVerb, "ask for a user name and a password"},
    {"list", listVerb, "let the user pick rows of a list"},
    {"progress", progressVerb, "drive a progress dialog or toast from 0 to 100"},
    {"nfc", nfcVerb, "share by NFC; tap peers, tags and hand-over devices; switch NFC"},
    {"bluetooth", bluetoothVerb, "the emulated Bluetooth peers: failures, their inboxes"},
    {"wifidirect", wifiDirectVerb, "the emulated Wi-Fi Direct peers: failures, their inboxes"},
    {"phone", phoneVerb, "play the user and the network of the phone service"},
    {"invoke", invokeVerb, "invoke another application and print the answer"},
    {"listen", listenVerb, "act as an invocation target and print what arrives"},
    {"query", queryVerb, "ask which targets handle some content"},
    {"filters", filtersVerb, "read or replace a target's filters"},
    {"timer", timerVerb, "register or withdraw a timed invocation"},
    {"viewer", viewerVerb, "open a viewer, relay messages to it, close it"},
    {"clock", clockVerb, "show or move the device's virtual clock"},
    {"locale", localeVerb, "show or change the messages language, region and units"},
    {"context", contextVerb, "follow collected usage events; switch collection"},
    {"menu", menuVerb, "print the menu of things to do with some content"},
    {"clipboard", clipboardVerb, "set, get or clear typed data on the clipboard"},
    {"screenshot", screenshotVerb, "capture the display into an image file"},
};

int usage(FILE *to, int status)
{
    std::fprintf(
        to, "Usage: qzctl VERB [options]   (qzctl VERB --help for a verb's options)\n\nVerbs:\n");
    for (const Verb &verb : verbs)
        std::fprintf(to, "  %-11s %s\n", verb.name, verb.summary);
    std::fprintf(to, "\nEach prints what came back; the exit code tells the outcome.\n");
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qzctl"));
    QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return usage(stderr, 2);
    const QString name = arguments.takeAt(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help"))
        return usage(stdout, 0);
    for (const Verb &verb : verbs) {
        if (name == QLatin1String(verb.name))
            return verb.run(arguments);
    }
    std::fprintf(stderr, "qzctl: unknown verb \"%s\"\n", qPrintable(name));
    return usage(stderr, 2);
}
