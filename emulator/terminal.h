// The person at the terminal, as the interactive policy sees them: text goes out, lines come in.
// An interface so the policy can be driven by a test as well as by a real terminal.
#ifndef QZDEVICE_TERMINAL_H
#define QZDEVICE_TERMINAL_H

#include <QObject>
#include <QString>

#include <memory>

class Terminal : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void write(const QString &text) = 0;
    /*! While off, what the person types is not shown (a password). */
    virtual void setEcho(bool on) = 0;

Q_SIGNALS:
    void lineEntered(const QString &line);
    /*! End of input: no more lines will come. */
    void closed();
};

class StdioTerminalPrivate;

/*! Standard input and output; echo is switched through the terminal's settings when standard
    input is one, and restored on destruction. */
class StdioTerminal : public Terminal
{
    Q_OBJECT
public:
    explicit StdioTerminal(QObject *parent = nullptr);
    ~StdioTerminal() override;

    void write(const QString &text) override;
    void setEcho(bool on) override;

private:
    std::unique_ptr<StdioTerminalPrivate> const d;
};

#endif
