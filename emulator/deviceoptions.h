// qzdevice's command line, read once for every service.
#ifndef QZDEVICE_DEVICEOPTIONS_H
#define QZDEVICE_DEVICEOPTIONS_H

#include "bluetoothservice.h"
#include "dialoganswer.h"
#include "phoneexchange.h"
#include "wifidirectservice.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

struct DeviceOptions
{
    enum class Policy { Auto, Script, Interactive };

    Policy policy = Policy::Auto;
    QString scriptPath;
    DialogDefaults dialogDefaults;
    /*! Log every request and answer; otherwise only what goes wrong. */
    bool verbose = false;
    /*! The user declines every screen capture. */
    bool screenshotDecline = false;
    /*! The navigator's target declarations; none when empty. */
    QString targetsDir;
    /*! Where state that survives a restart is kept (replaced filters, timers). */
    QString dataDir;
    /*! Navigator calls answered with an error text: C function name to the text. */
    QMap<QString, QString> navigatorFailures;
    /*! The phone service's lines; its default ones when empty. */
    QList<PhoneLine> phoneLines;
    /*! How long a dialled number rings before the remote answers; -1: only when told. */
    int phoneAnswerAfterMs = 1500;
    /*! The folder that stands for the device's "/" (absolute); also $QZ_DEVICE_ROOT of qzdevice
        and of what it starts. */
    QString deviceRoot;
    /*! The install ids that get an application folder in each share-with area. */
    QStringList apps;
    BluetoothService::Switches bluetooth;
    WiFiDirectService::Switches wifiDirect;

    /*! Reads \a arguments (the program name first); on a mistake \a error says what is wrong.
        --help and --version print and exit as usual. */
    static std::optional<DeviceOptions> parse(const QStringList &arguments, QString *error);
};

#endif
