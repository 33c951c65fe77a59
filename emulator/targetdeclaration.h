// A target declaration: what the navigator knows of one target, read from a small text file, one
// "keyword value" line each ("#" starts a comment line):
//
//     key        com.example.viewer          the target key (required)
//     type       viewer                      application, card, viewer, service or headless (required)
//     perimeter  personal                    default (the default), personal or enterprise
//     start      /usr/bin/viewer --quiet     how to start it: program and arguments, quoted as in
//                                            a shell; without it the target must be running
//     label      Image viewer                label, icon and splash as query results show them
//     icon       file:///icons/viewer.png
//     splash     file:///splash/viewer.png
//     action     qz.action.VIEW View         label of an action the target offers in menus
//     filter     actions=qz.action.VIEW;types=image/*;exts=png,jpg;
//
// A file with any mistake is refused whole, with its line.
#ifndef QZDEVICE_TARGETDECLARATION_H
#define QZDEVICE_TARGETDECLARATION_H

#include "targetfilter.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

struct TargetDeclaration
{
    // Target types and perimeters as the navigator numbers them.
    enum Type { Application = 1, Card = 2, Viewer = 4, Service = 8, Headless = 64 };
    enum Perimeter { AnyPerimeter = 0, Personal = 1, Enterprise = 2 };

    /*! The longest declaration file read. */
    static constexpr qsizetype MaxSize = 64 * 1024;

    QString key;
    int type = Application;
    int perimeter = AnyPerimeter;
    QString program;
    QStringList arguments;
    QString label;
    QString icon;
    QString splash;
    QMap<QString, QString> actionLabels;
    QList<TargetFilter> filters;

    /*! Parses \a text; on a mistake nullopt, with \a error as "<fileName>:<line>: <what>". */
    static std::optional<TargetDeclaration> parse(const QByteArray &text, const QString &fileName,
                                                  QString *error);

    /*! Whether \a key can name a target: the shape of an action name. */
    static bool isValidKey(const QString &key);
};

#endif
