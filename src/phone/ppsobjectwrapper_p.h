/*
 * Not API. A PPS object of the phone service that delivers its objects one by one, and the
 * subscriber of the lines directory built on it.
 */
#ifndef QZ_SYSTEM_PHONE_PPSOBJECTWRAPPER_P_H
#define QZ_SYSTEM_PHONE_PPSOBJECTWRAPPER_P_H

#include <qz/PpsObject>

#include <QObject>
#include <QPair>
#include <QString>

namespace qz::system::phone {

using PpsAttributeMap = QMap<QString, qz::PpsAttribute>;
using PpsAttributePair = QPair<QString, qz::PpsAttribute>;

/*! The id of the object that a decoded entry keyed "@name" stands for. */
inline QString ppsObjectId(const QString &key)
{
    return key.mid(1);
}

class PpsObjectWrapper : public QObject
{
    Q_OBJECT
public:
    PpsObjectWrapper(const QString &path, qz::PpsOpenMode::Types mode, QObject *parent = nullptr);
    ~PpsObjectWrapper() override;

    /*! Opens the object; a subscriber gets everything already there delivered before this
        returns. False when the object cannot be opened. */
    bool startListening();
    void stopListening();
    /*! Writes \a text as UTF-8; false unless opened for publishing and written. */
    bool write(const QString &text);

    QString path() const { return m_object.path(); }
    bool isOpen() const { return m_object.isOpen(); }

public Q_SLOTS:
    /*! Reads and delivers one change; false when nothing could be read or decoded. */
    bool readyRead();

protected:
    virtual void processPpsLine(const PpsAttributeMap::const_iterator &entry) = 0;

private:
    qz::PpsObject m_object;
    qz::PpsOpenMode::Types m_mode;
};

class PpsLineInfo : public PpsObjectWrapper
{
    Q_OBJECT
public:
    static const QString PPS_LISTEN_PATH;
    static const QString LINE_ATTR_ADDRESS;
    static const QString LINE_ATTR_USAGE;
    static const QString LINE_ATTR_RESET_TIME;
    static const QString LINE_ATTR_FRIENDLY_NAME;
    static const QString LINE_STATE;

    explicit PpsLineInfo(QObject *parent = nullptr);

Q_SIGNALS:
    void lineUpdated(const qz::system::phone::PpsAttributePair &line);
    void lineRemoved(const qz::system::phone::PpsAttributePair &line);

protected:
    void processPpsLine(const PpsAttributeMap::const_iterator &entry) override;
};

} // namespace qz::system::phone

#endif
