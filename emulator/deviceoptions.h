// qzdevice's command line, read once for every service.
#ifndef QZDEVICE_DEVICEOPTIONS_H
#define QZDEVICE_DEVICEOPTIONS_H

#include "dialoganswer.h"

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

    /*! Reads \a arguments (the program name first); on a mistake \a error says what is wrong.
        --help and --version print and exit as usual. */
    static std::optional<DeviceOptions> parse(const QStringList &arguments, QString *error);
};

#endif
