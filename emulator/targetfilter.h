// One target filter in its text form: clauses "name=v1,v2;" naming the actions, MIME types
// ("types"), URI prefixes ("uris") and file extensions ("exts") a target takes, plus custom
// attributes. The navigator reads these from target declarations and from targets that replace
// their filters, and brokers invocations against them.
#ifndef QZDEVICE_TARGETFILTER_H
#define QZDEVICE_TARGETFILTER_H

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

class TargetFilter
{
public:
    /*!
        Parses \a text. A filter is refused (nullopt, \a error says why) when a clause lacks its
        "=" or its name, a list holds an empty value, an action or MIME type is malformed, or the
        filter names no action or no MIME type: a broken filter must never be half-taken.
    */
    static std::optional<TargetFilter> parse(const QString &text, QString *error);

    /*! The filter written back in its text form, clauses in a fixed order. */
    QString toText() const;

    QStringList actions() const { return m_actions; }

    /*!
        How closely an invocation of \a action (empty: any), \a mimeType (empty: any) and \a uri
        (empty: none) fits: -1 when the filter does not take it, else a higher number for a
        closer fit (an exact MIME type over a wildcard, a named URI scheme or extension over the
        default), so the broker can prefer the most specific target. A URI must start with one of
        the filter's "uris" ("*" takes all; without "uris" only "file://" URIs are taken) and,
        when the filter names "exts", end with one of them.
    */
    int fit(const QString &action, const QString &mimeType, const QString &uri) const;
    bool matches(const QString &action, const QString &mimeType, const QString &uri) const
    {
        return fit(action, mimeType, uri) >= 0;
    }

private:
    QStringList m_actions;
    QStringList m_types;
    QStringList m_uris;
    QStringList m_exts;
    QMap<QString, QStringList> m_attributes;
};

#endif
