#pragma once

#include "ByteLink.h"
#include "Exchange.h"
#include "LinkFactory.h"
#include "PortList.h"

#include <QPointer>
#include <QTime>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CaptureFile;
class FileTransfer;
class HexView;
class TerminalScreen;
class QMessageBox;
class QScrollBar;
class QTimer;

// The serial communications control: one port and the terminal screen that shows it.
// Texts are the program's Windows-1252 strings.
class SerialControl : public QWidget
{
    Q_OBJECT
public:
    // Makes the link for a port name; the default gives the simulated handset for
    // "SIMULATOR" and a serial device for everything else.
    using LinkFactory = std::function<std::unique_ptr<ByteLink>(const QString &portName)>;

    static constexpr const char *SimulatorPortName = ::SimulatorPortName;

    explicit SerialControl(QWidget *parent = nullptr);
    ~SerialControl() override;

    void setLinkFactory(LinkFactory factory);
    ByteLink *link() const { return m_link.get(); }
    TerminalScreen *screen() const { return m_screen; }
    QScrollBar *scrollBar() const { return m_scrollBar; }
    FileTransfer *fileTransfer() const { return m_transfer; }
    CaptureFile *capture() const { return m_capture; }

    bool PortOpen() const { return m_link != nullptr; }
    void setPortOpen(bool open);

    std::string Settings() const { return m_settings; }
    void setSettings(const std::string &settings) { m_settings = settings; }
    std::string CommPort() const { return m_commPort; }
    void setCommPort(const std::string &port) { m_commPort = port; }
    int Handshaking() const { return m_handshaking; }
    void setHandshaking(int value) { m_handshaking = value; }
    std::string PhoneNumber() const { return m_phoneNumber; }
    void setPhoneNumber(const std::string &number) { m_phoneNumber = number; }
    bool Echo() const { return m_echo; }
    void setEcho(bool on) { m_echo = on; }
    // Received text is painted on the screen while this is on.
    bool InputEcho() const { return m_inputEcho; }
    void setInputEcho(bool on) { m_inputEcho = on; }
    // Kept for the session; the program never starts transfers on its own.
    bool AutoReceive() const { return m_autoReceive; }
    void setAutoReceive(bool on) { m_autoReceive = on; }

    int OutBufferCount() const;
    bool CarrierDetect() const;
    bool CtsState() const;

    // Sends the text followed by a carriage return; dropped while the port is closed.
    void setTransmitLine(const std::string &text);
    // Sends the text unchanged.
    void setOutput(const std::string &text);
    // Everything received since the previous call.
    std::string ReceivedText();

    enum CommCommand
    {
        Copy = 5,
        Paste = 6,
        SendFile = 9,
        ReceiveFile = 10
    };
    void DoCommand(int command);

    // Serial ports of the platform, then the simulated handset.
    static std::vector<std::string> CommPorts();
    // The same ports with what the system knows of each; `byIdDir` is where udev keeps
    // its stable names.
    static std::vector<PortEntry>
    CommPortEntries(const QString &byIdDir = QStringLiteral("/dev/serial/by-id"));

    // The one owner of the conversation with the modem: the program's own commands go
    // through it, and it sees every typed command line and every received byte.
    modem::Exchange *exchange() const { return m_exchange; }

    // Each received line starts on the screen with the local time "hh:mm:ss.mmm " in a dim
    // colour: shown only, never sent, never seen by the received-text rules.
    bool timeStamps() const { return m_timeStamps; }
    void setTimeStamps(bool on) { m_timeStamps = on; }
    // Tests give a fixed clock.
    std::function<QTime()> stampClock;

    // Received bytes in hex in place of the terminal screen, which goes on receiving
    // meanwhile; typed keys go to the modem in either view.
    bool hexShown() const;
    void setHexShown(bool on);

    // When the open port goes away, open it again once the same device is back.
    bool reconnectAutomatically() const { return m_reconnect; }
    void setReconnectAutomatically(bool on);
    // True while a lost port is being watched for.
    bool awaitingReconnect() const;

    // The last open or connection failure, as shown to the operator.
    QString lastError() const { return m_lastError; }

    // While set, received bytes go to the hook (a file transfer) and not to the screen; false,
    // and nothing diverted, while a command of the program's is out.
    bool setReceiveDiversion(std::function<void(const QByteArray &)> hook);
    // Raw bytes to the port, for file transfers.
    void writeRaw(const QByteArray &bytes);
    // Raw text one character a millisecond, for handsets that lose characters of a fast
    // line. Whatever else is written meanwhile (lines, typed keys) waits until it is out.
    void sendPaced(const std::string &text);
    bool isPacing() const;

signals:
    void OnReceive();
    void OnKeyDown(int key, Qt::KeyboardModifiers shift);
    void OnCTSChanged();
    void OnCarrierChanged();
    void OnRing();
    void fileTransferRequested(bool send);
    void portFailed(const QString &message);
    // The open port closed, by the program or because the device went away: whatever was
    // waiting for the modem's answer will not get one.
    void portClosed();
    // The lost port is open again.
    void reconnected();
    // The port opened (Connect, a key typed while closed, the end of the intro, a
    // reconnection).
    void portOpened();

protected:
    void focusInEvent(QFocusEvent *event) override;

private:
    void onReceived(const QByteArray &bytes);
    void onLost(const QString &reason);
    void onKeyBytes(const QByteArray &bytes);
    void send(const QByteArray &bytes);
    void paceNext();
    void report(const QString &message);
    void adopt(std::unique_ptr<ByteLink> link);
    void tryReconnect();
    void stopReconnecting();
    void say(const QString &line);
    void deliver(const QByteArray &bytes);
    QByteArray stamped(const QByteArray &bytes);
    void syncScrollBar();

    TerminalScreen *m_screen = nullptr;
    FileTransfer *m_transfer = nullptr;
    CaptureFile *m_capture = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    HexView *m_hex = nullptr;
    QTimer *m_scrollSync = nullptr;
    LinkFactory m_factory;
    std::unique_ptr<ByteLink> m_link;
    modem::Exchange *m_exchange = nullptr;
    std::string m_settings = "19200,n,8,1";
    std::string m_commPort = "COM1";
    std::string m_phoneNumber;
    int m_handshaking = 0;
    bool m_echo = false;
    bool m_inputEcho = true;
    bool m_autoReceive = false;
    std::string m_received;
    QTimer *m_pacer = nullptr;
    QByteArray m_paced;
    QByteArray m_held; // written while a paced line goes out
    QString m_lastError;
    QPointer<QMessageBox> m_errorBox;
    bool m_reconnect = true;
    bool m_timeStamps = false;
    bool m_atLineStart = true;
    bool m_afterReturn = false; // a carriage return not (yet) followed by a line feed
    QByteArray m_lineStamp;
    QTimer *m_reconnectTimer = nullptr;
    std::string m_lostPort;
    QString m_lostIdentity;
};
