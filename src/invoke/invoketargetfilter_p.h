/*
 * Not API. The data of an InvokeTargetFilter, and the text form in which filters travel between
 * the navigator and the library: clauses "name=value,value;" for actions, types, uris, exts and
 * each custom attribute.
 */
#ifndef QZ_SYSTEM_INVOKETARGETFILTER_P_H
#define QZ_SYSTEM_INVOKETARGETFILTER_P_H

#include <qz/system/invoketargetfilter.h>

#include <QMap>
#include <QSharedData>

namespace qz::system {

class InvokeTargetFilterPrivate : public QSharedData
{
public:
    QStringList actions;
    QStringList mimeTypes;
    QStringList uris;
    QStringList fileExtensions;
    QMap<QString, QStringList> customAttributes;

    /*! The text form of \a filter; a clause whose list is empty is left out, so a filter with no
        lists at all is the empty text. */
    static QString write(const InvokeTargetFilter &filter);
    /*!
        The filter that \a text describes. Lists are taken as they are (no pattern checks, empty
        values kept); a later clause of a kind replaces an earlier one, while custom attribute
        clauses add their values. Parts without "=" after their first character are skipped.
    */
    static InvokeTargetFilter parse(const QString &text);
};

} // namespace qz::system

#endif
