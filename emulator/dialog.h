// One dialog as a client asked for it: its identity and the description of the last "show" or
// "update", read through typed accessors so policies never dig in the wire map themselves.
#ifndef QZDEVICE_DIALOG_H
#define QZDEVICE_DIALOG_H

#include <QList>
#include <QString>
#include <QVariantMap>

/*! Which client's dialog on which control object: ids are chosen by clients, so only the three
    together name one dialog. */
struct DialogKey
{
    QString object; // "control" or "system-control"
    int client = 0;
    QString id;

    QString toString() const;
    friend bool operator==(const DialogKey &a, const DialogKey &b)
    {
        return a.client == b.client && a.id == b.id && a.object == b.object;
    }
    friend bool operator!=(const DialogKey &a, const DialogKey &b) { return !(a == b); }
};
size_t qHash(const DialogKey &key, size_t seed = 0);

struct DialogButton
{
    QString label;
    bool enabled = true;
    QString context;
};

struct DialogRow
{
    enum class Type { Item, Header, Separator };
    QString label;
    Type type = Type::Item;
    bool enabled = true;
    bool selected = false;
};

/*!
    What one request may hold. Each bound is far above anything a real dialog shows; together
    with the PPS limit of 1 MiB per message they cap the work and memory one client's request can
    cost the service, so one client cannot stall the others. A request past a bound is refused
    (see DialogService).
*/
struct DialogLimits
{
    /*! Buttons in "buttons". */
    static constexpr int maxButtons = 10000;
    /*! Rows in a list dialog's "list". */
    static constexpr int maxRows = 10000;
    /*! Characters in any one text: a description string (title, message, field, icon, ...), a
        button's label or context, a row's label. */
    static constexpr int maxTextLength = 65536;

    /*! Why \a description exceeds a bound ("10001 buttons, more than 10000"), or an empty
        string when it keeps within all of them. */
    static QString exceeded(const QVariantMap &description);
};

class Dialog
{
public:
    enum class Kind { Alert, Prompt, Login, List, Progress, Toast, ProgressToast };

    Dialog() = default;
    Dialog(const DialogKey &key, const QString &className, const QVariantMap &description);

    /*! The kind a class name stands for; an empty name (an "update" for a dialog that was never
        shown here) is told by the description's keys. */
    static Kind kindOf(const QString &className, const QVariantMap &description);
    static QString kindName(Kind kind);

    const DialogKey &key() const { return m_key; }
    QString className() const { return m_className; }
    Kind kind() const { return m_kind; }
    QVariantMap description() const { return m_description; }
    /*! The description of a later "update"; the identity and class stay. */
    void setDescription(const QVariantMap &description);

    bool isToast() const { return m_kind == Kind::Toast || m_kind == Kind::ProgressToast; }
    bool hasProgress() const { return m_kind == Kind::Progress || m_kind == Kind::ProgressToast; }
    /*! Progress reached 100 or the work failed: the time to take a progress dialog down. */
    bool isProgressDone() const;

    QString title() const;
    QString body() const;
    QString text(const QString &key) const;
    const QList<DialogButton> &buttons() const { return m_buttons; }
    /*! Index into buttons(), -1 when the client named none. */
    int defaultButtonIndex() const { return m_defaultButtonIndex; }
    /*! The index of the button labelled \a label, -1 when there is none. */
    int buttonIndex(const QString &label) const;
    /*! The client keeps the dialog up after an answer and takes it down with "cancel". */
    bool staysUpAfterAnswer() const;

    bool hasCheckbox() const;
    bool isCheckboxChecked() const;

    const QList<DialogRow> &rows() const { return m_rows; }
    bool isMultiSelect() const;
    int progress() const;
    QString progressState() const;

    /*! One line for the log: kind, texts, buttons (the default starred) and kind-specific keys. */
    QString describe() const;

private:
    // Reads the buttons, rows and default once per description, so that what the policies ask
    // for later costs no more than the request did.
    void parseDescription();

    DialogKey m_key;
    QString m_className;
    Kind m_kind = Kind::Alert;
    QVariantMap m_description;
    QList<DialogButton> m_buttons;
    QList<DialogRow> m_rows;
    int m_defaultButtonIndex = -1;
};

#endif
