// Screenshots of every window for the documentation: the program runs on the simulated
// handset, is driven through its own controls as an operator would, and each window is saved
// as a PNG into the directory given on the command line.

#include "Notice.h"
#include "Program.h"
#include "SerialControl.h"
#include "SessionRecord.h"
#include "SimulatorLink.h"
#include "TForm1.h"
#include "TMsgBox.h"
#include "TRingBox.h"
#include "TSBD_Frm.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"
#include "WindowPlacement.h"
#include "WindowTour.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextStream>
#include <QTimer>
#include <functional>

namespace {

// The simulator answers within milliseconds; a call takes a few seconds to set up and drop.
constexpr int AnswerTimeoutMs = 10000;

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Runs the event loop until `done` holds or the time is up; true when it held.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = AnswerTimeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

// Lets layouts, timers and painting catch up.
void settle(int ms = 150)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A grab of a single colour means the window never painted.
bool looksBlank(const QImage &image)
{
    if (image.isNull() || image.width() < 2 || image.height() < 2)
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            if (image.pixel(x, y) != first)
                return false;
    return true;
}

class Shooter
{
public:
    explicit Shooter(const QString &outDir) : m_outDir(outDir) {}

    bool save(const QPixmap &pixmap, const QString &name)
    {
        const QString path = QDir(m_outDir).filePath(name);
        if (looksBlank(pixmap.toImage()))
            return fail(QStringLiteral("%1: the window painted nothing").arg(name));
        if (!pixmap.save(path, "PNG"))
            return fail(QStringLiteral("%1: cannot write %2").arg(name, path));
        err() << "wrote " << path << " (" << pixmap.width() << "x" << pixmap.height() << ")\n";
        err().flush();
        return true;
    }

    bool shoot(QWidget *window, const QString &name)
    {
        if (!waitUntil([window] { return window->isVisible(); }))
            return fail(QStringLiteral("%1: the window did not open").arg(name));
        window->raise();
        window->activateWindow();
        settle(300);
        // On a real display the picture holds the frame and caption the operator sees.
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            // Framed a moment after it is mapped.
            waitUntil([window] { return placement::frameOf(window) != window->geometry(); }, 2000);
            settle();
            const QRect f = placement::frameOf(window);
            return save(window->screen()->grabWindow(0, f.x(), f.y(), f.width(), f.height()), name);
        }
        return save(window->grab(), name);
    }

    bool fail(const QString &why)
    {
        err() << "screenshots: " << why << "\n";
        err().flush();
        ++m_failures;
        return false;
    }

    int failures() const { return m_failures; }

private:
    QString m_outDir;
    int m_failures = 0;
};

SimulatorLink *simulator()
{
    return qobject_cast<SimulatorLink *>(Form1->SaxComm1->link());
}

bool simulatorEvent(Shooter &shots, const QString &line)
{
    SimulatorLink *sim = simulator();
    QString why;
    if (!sim)
        return shots.fail(QStringLiteral("\"%1\": the simulator is not the open port").arg(line));
    if (!sim->command(line, &why))
        return shots.fail(QStringLiteral("\"%1\": %2").arg(line, why));
    return true;
}

// Types a command into the terminal key by key and waits for the handset's final result.
bool typeCommand(Shooter &shots, const QString &command)
{
    TerminalScreen *screen = Form1->SaxComm1->screen();
    const auto results = [screen] {
        const QString text = screen->allText();
        return text.count(QStringLiteral("\nOK")) + text.count(QStringLiteral("ERROR"));
    };
    const qsizetype before = results();
    for (const QChar c : command + QLatin1Char('\r')) {
        const int key = c == QLatin1Char('\r') ? int(Qt::Key_Return) : int(c.toUpper().unicode());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(screen, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(screen, &release);
    }
    if (!waitUntil([&] { return results() > before; }))
        return shots.fail(QStringLiteral("%1: the handset did not answer").arg(command));
    return true;
}

// A session on the simulated handset with a civilian landline number to dial.
std::string writeSession(const QString &dir)
{
    SessionRecord &s = *Program->session;
    s.setValue(SessionTag::Settings, "19200,n,8,1");
    s.setValue(SessionTag::Com, SerialControl::SimulatorPortName);
    s.setValue(SessionTag::Sim, "CIV");
    s.setValue(SessionTag::Type, "Land");
    s.setValue(SessionTag::Call, "+1(202)555-0143");
    s.setValue(SessionTag::Echo, "OFF"); // the handset echoes what it is sent
    s.setValue(SessionTag::Ring, "ON");
    s.setValue(SessionTag::Flow, "HW");
    // Off, so that new messages wait in the handset for the listing the pictures show.
    s.setValue(SessionTag::Sms, "OFF");
    QDir().mkpath(dir + QStringLiteral("/Session"));
    const std::string path =
        QDir::toNativeSeparators(dir + QStringLiteral("/Session/demo.sms")).toStdString();
    std::string error;
    if (!s.SaveSession(path, &error)) {
        err() << "screenshots: cannot write the session file: " << QString::fromStdString(error)
              << "\n";
        return {};
    }
    return path;
}

void sms(Shooter &shots)
{
    // Messages that reached the handset while the terminal was not listening.
    if (!simulatorEvent(shots, QStringLiteral("sms 881631234567 Position report 14:20 UTC: "
                                              "47.6N 122.3W, all well.")) ||
        !simulatorEvent(shots, QStringLiteral("sms 12025550143 Supply drop confirmed for "
                                              "Thursday 0900. Reply if delayed.")) ||
        !simulatorEvent(shots, QStringLiteral("sms 79161234567 Группа вышла из лагеря в 06:30, "
                                              "погода ясная, ветер слабый. Следующая связь в "
                                              "12:00 по UTC, всё в порядке.")))
        return;

    const auto idle = [] { return SMS_Frm->SMS_SendB->isEnabled(); };

    // One message sent, so the log holds a sent entry.
    SMS_Frm->EditDA->setText(QStringLiteral("12025550143"));
    SMS_Frm->EditMessage->setPlainText(QStringLiteral("Arrived at camp two, weather clear."));
    SMS_Frm->SMS_SendB->click();
    if (!waitUntil([] {
            return SMS_Frm->SMS_MessageRichEdit->toPlainText().contains(QLatin1String("[SENT]"));
        }) ||
        !waitUntil(idle))
        return (void)shots.fail(QStringLiteral("the message was not sent"));

    // Reading the unread messages logs them and says so.
    SMS_Frm->SMS_ViewComboBox->setCurrentIndex(0);
    SMS_Frm->SMS_ViewB->click();
    if (!waitUntil([] { return MsgBox->isVisible() && MsgBox->CloseBoxB->isVisible(); }))
        return (void)shots.fail(QStringLiteral("no notice of the new messages"));
    shots.shoot(MsgBox, QStringLiteral("msgbox.png"));
    MsgBox->CloseBoxB->click();
    waitUntil(idle);

    SMS_Frm->SMS_ViewComboBox->setCurrentIndex(4);
    SMS_Frm->SMS_ViewB->click();
    if (!waitUntil([] { return SMS_Frm->SMS_IndexListBox->count() > 0; }) || !waitUntil(idle))
        return (void)shots.fail(QStringLiteral("the stored messages were not listed"));
    // The long message in Russian came in two parts and is listed as one.
    const QList<QListWidgetItem *> joined =
        SMS_Frm->SMS_IndexListBox->findItems(QStringLiteral("parts"), Qt::MatchContains);
    if (joined.isEmpty())
        return (void)shots.fail(QStringLiteral("the message in parts was not listed as one"));
    SMS_Frm->SMS_IndexListBox->setCurrentItem(joined.front());
    SMS_Frm->SMS_IndexListBoxClick();
    SMS_Frm->EditDA->setText(QStringLiteral("881631234567"));
    SMS_Frm->EditMessage->setPlainText(
        QStringLiteral("Received, thanks. Next report at 18:00 UTC. Weather at camp two: clear "
                       "sky, light wind from the north-west, 4 degrees below zero at dawn. "
                       "Fuel and water for six more days; all members in good health."));
}

void sbdMessaging(Shooter &shots)
{
    if (!simulatorEvent(shots, QStringLiteral("sbd Gate 3 open. Resupply Thursday 0900 UTC.")))
        return;
    const auto idle = [] { return SBD_Frm->SBD_SendB->isEnabled(); };
    if (!waitUntil(idle))
        return (void)shots.fail(QStringLiteral("the SBD window is busy"));
    // One message out; its session also fetches the message waiting at the gateway.
    SBD_Frm->EditSBDMessage->setPlainText(QStringLiteral("Camp two, 47.6N 122.3W, all well"));
    SBD_Frm->SBD_SendB->click();
    if (!waitUntil([] { return SBD_Frm->SBD_MessageView->toPlainText().contains("Gate 3"); }) ||
        !waitUntil(idle))
        return (void)shots.fail(QStringLiteral("the SBD session did not end: ") +
                                SBD_Frm->SBD_Status->text());
}

// What the simulated handset does at the tour's turns.
tour::Handset simulatedHandset(Shooter &shots)
{
    tour::Handset h;
    h.fail = [&shots](const QString &why) { shots.fail(why); };
    h.atTerminal = [&shots] {
        for (const char *command : {"ATI", "ATI3", "AT+CGMM", "AT+CSQ", "AT+CREG?"})
            if (!typeCommand(shots, QLatin1String(command)))
                return;
        // A panel stacked over the terminal would hide the exchange from the operator too:
        // say so, and show the terminal so the picture is of the intended window.
        SerialControl *terminal = Form1->SaxComm1;
        QWidget *onTop = Form1->centralWidget()->childAt(terminal->geometry().center());
        if (onTop && onTop != terminal && !terminal->isAncestorOf(onTop)) {
            err() << "screenshots: warning: " << onTop->objectName()
                  << " covers the terminal in the main window; raised the terminal for "
                     "main.png\n";
            terminal->raise();
        }
    };
    h.inSmsWindow = [&shots] { sms(shots); };
    h.inSbdWindow = [&shots] { sbdMessaging(shots); };
    h.ring = [&shots] { simulatorEvent(shots, QStringLiteral("ring")); };
    h.refused = [&shots] {
        if (!waitUntil([] { return !RingBox->isVisible(); }))
            shots.fail(QStringLiteral("the refused call did not end"));
    };
    return h;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString outDir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    if (!QDir().mkpath(outDir)) {
        err() << "screenshots: cannot create " << outDir << "\n";
        return 1;
    }
    const QString absOut = QDir(outDir).absolutePath();

    // The program writes its SMS log and session next to itself; keep that out of the tree.
    QTemporaryDir work;
    if (!work.isValid()) {
        err() << "screenshots: no temporary folder: " << work.errorString() << "\n";
        return 1;
    }
    QDir::setCurrent(work.path());

    // A box that asks would wait for an answer nobody gives.
    notice::setHook([](notice::Kind, const QString &caption, const QString &text) {
        err() << "screenshots: the program said \"" << caption << "\": " << text << "\n";
        err().flush();
        return false;
    });

    // A long message typed for the picture is kept whole, in linked parts.
    notice::setChoiceHook([](const QString &, const QString &, const QString &) { return 2; });

    createProgram(QDir::toNativeSeparators(work.path() + QLatin1Char('/')).toStdString());
    const std::string session = writeSession(work.path());
    if (session.empty())
        return 1;
    createWindows("\"" + session + "\"");
    Form1->exitProgram = [](int) {};

    Shooter shots(absOut);
    // The pictures the documentation shows, named after their stops on the tour.
    const QStringList pictures{"intro",     "main",    "find", "main-large", "port",
                               "port-list", "dialing", "hint", "attable",    "attable-phonebook",
                               "search",    "sms",     "sbd",  "ring",       "infobox",
                               "about"};
    tour::walk(
        [&shots, &pictures](const QString &name, QWidget *window) {
            if (pictures.contains(name))
                shots.shoot(window, name + QStringLiteral(".png"));
        },
        simulatedHandset(shots));

    Form1->SaxComm1->setPortOpen(false);
    destroyProgram();
    if (shots.failures() > 0) {
        err() << "screenshots: " << shots.failures() << " step(s) failed\n";
        return 1;
    }
    return 0;
}
