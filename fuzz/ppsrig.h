// For targets that need the real transport: a Qt application and a PPS server on a thread of its
// own, on a private socket that QZ_PPS_SOCKET points at, for the whole fuzzing run.
#ifndef QZ_FUZZ_PPSRIG_H
#define QZ_FUZZ_PPSRIG_H

#include "fuzzcheck.h"

#include <pps/ppsserver.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

struct PpsRig
{
    int argc = 1;
    char name[16] = "fuzz";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    qz::pps::Server server;

    PpsRig()
    {
        qzfuzz::silenceQtMessages();
        const QString socket = dir.filePath(QStringLiteral("pps.sock"));
        QString error;
        QZ_FUZZ_CHECK(dir.isValid() && server.listen(socket, &error) && server.start(),
                      "no PPS server: %s", qPrintable(error));
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(socket));
    }
};

#endif
