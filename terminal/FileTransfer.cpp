#include "FileTransfer.h"

#include "SerialControl.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString grouped(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

void showMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
                 const char *name)
{
    auto *box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setObjectName(QLatin1String(name));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

FileTransfer::FileTransfer(SerialControl *control) : QObject(control), m_control(control)
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&m_process, &QProcess::readyReadStandardOutput, this,
            [this] { m_control->writeRaw(m_process.readAllStandardOutput()); });
    connect(&m_process, &QProcess::readyReadStandardError, this, &FileTransfer::onStandardError);
    connect(&m_process, &QProcess::finished, this, &FileTransfer::onFinished);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_control->setReceiveDiversion({});
            end(false, QStringLiteral("The program \"%1\" could not be started: %2")
                           .arg(m_program, m_process.errorString()));
        }
    });
    connect(control, &SerialControl::portFailed, this, [this](const QString &reason) {
        if (!running())
            return;
        m_cancelled = true;
        m_lastLine = QStringLiteral("The port closed during the transfer: ") + reason;
        m_process.kill();
    });
}

FileTransfer::~FileTransfer()
{
    if (running()) {
        m_process.disconnect(this);
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

QString FileTransfer::programFor(bool send, Protocol protocol)
{
    static const char *const senders[] = {"sz", "sb", "sx"};
    static const char *const receivers[] = {"rz", "rb", "rx"};
    return QLatin1String((send ? senders : receivers)[protocol]);
}

QString FileTransfer::protocolName(Protocol protocol)
{
    static const char *const names[] = {"ZMODEM", "YMODEM", "XMODEM"};
    return QLatin1String(names[protocol]);
}

bool FileTransfer::start(bool send, Protocol protocol, const QString &path, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (running())
        return fail(QStringLiteral("A file transfer is already running."));
    if (!m_control->PortOpen())
        return fail(
            QStringLiteral("The port is not open. Connect first, then start the transfer."));
    m_program = programFor(send, protocol);
    const QString exe = QStandardPaths::findExecutable(m_program);
    if (exe.isEmpty())
        return fail(QStringLiteral("The program \"%1\" is not installed. Install the lrzsz package "
                                   "(sudo apt-get install lrzsz) and try again.")
                        .arg(m_program));

    const QFileInfo info(path);
    QStringList args{QStringLiteral("-b"), QStringLiteral("-vv")};
    m_total = -1;
    m_fileName.clear();
    if (send) {
        if (!info.isFile() || !info.isReadable())
            return fail(QStringLiteral("Cannot read the file \"%1\". Choose a file that exists and "
                                       "that you may read.")
                            .arg(path));
        m_total = info.size();
        m_fileName = info.fileName();
        m_process.setWorkingDirectory(info.absolutePath());
        args << info.absoluteFilePath();
    } else if (protocol == Xmodem) {
        if (!QFileInfo(info.absolutePath()).isWritable())
            return fail(
                QStringLiteral("Cannot write into the folder \"%1\".").arg(info.absolutePath()));
        m_fileName = info.fileName();
        m_process.setWorkingDirectory(info.absolutePath());
        args << info.absoluteFilePath();
    } else {
        if (!info.isDir() || !info.isWritable())
            return fail(QStringLiteral("Cannot write into the folder \"%1\". Choose a folder that "
                                       "exists and that you may write to.")
                            .arg(path));
        m_process.setWorkingDirectory(info.absoluteFilePath());
        args << QStringLiteral("-E"); // a file of the same name is kept; the new one is renamed
    }
    m_send = send;
    m_cancelled = false;
    m_lastLine.clear();
    m_errorTail.clear();
    if (!m_control->setReceiveDiversion([this](const QByteArray &bytes) {
            if (running())
                m_process.write(bytes);
        }))
        return fail(QStringLiteral("A command to the handset is still waiting for its answer. "
                                   "Try again when it has ended."));
    m_process.start(exe, args);
    emit progress(0, m_total, m_fileName);
    return true;
}

void FileTransfer::cancel()
{
    if (!running())
        return;
    m_cancelled = true;
    // Eight cancels stop the far end of any of the three protocols; backspaces tidy its line.
    m_control->writeRaw(QByteArray(8, '\x18') + QByteArray(8, '\b'));
    m_process.kill();
}

void FileTransfer::onStandardError()
{
    m_errorTail += m_process.readAllStandardError();
    static const QRegularExpression bytesRe(
        QStringLiteral("Bytes (?:Sent|received):\\s*(\\d+)(?:\\s*/\\s*(\\d+))?"));
    static const QRegularExpression nameRe(QStringLiteral("^(?:Receiving|Sending):\\s*(.+)$"));
    for (;;) {
        const qsizetype cr = m_errorTail.indexOf('\r');
        const qsizetype lf = m_errorTail.indexOf('\n');
        qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
        if (end < 0)
            break;
        const QString line = QString::fromLocal8Bit(m_errorTail.left(end)).trimmed();
        m_errorTail.remove(0, end + 1);
        if (line.isEmpty())
            continue;
        if (const auto m = bytesRe.match(line); m.hasMatch()) {
            const qint64 done = m.captured(1).toLongLong();
            if (!m.captured(2).isEmpty())
                m_total = m.captured(2).toLongLong();
            emit progress(done, m_total, m_fileName);
            continue;
        }
        if (const auto m = nameRe.match(line); m.hasMatch()) {
            m_fileName = QFileInfo(m.captured(1).trimmed()).fileName();
            continue;
        }
        m_lastLine = line;
    }
    // A line that never ends must not grow without limit.
    if (m_errorTail.size() > 4096)
        m_errorTail = m_errorTail.right(1024);
}

void FileTransfer::onFinished(int exitCode, QProcess::ExitStatus status)
{
    m_control->setReceiveDiversion({});
    onStandardError();
    const QString what = m_fileName.isEmpty() ? QStringLiteral("The file")
                                              : QStringLiteral("\"%1\"").arg(m_fileName);
    if (m_cancelled) {
        end(false, m_lastLine.startsWith(QLatin1String("The port closed"))
                       ? m_lastLine
                       : QStringLiteral("The transfer was cancelled."));
        return;
    }
    if (status == QProcess::NormalExit && exitCode == 0) {
        if (m_send)
            end(true, QStringLiteral("%1 was sent (%2 bytes).").arg(what, grouped(m_total)));
        else
            end(true, QStringLiteral("%1 was received into %2.")
                          .arg(what, QDir::toNativeSeparators(m_process.workingDirectory())));
        return;
    }
    QString message = QStringLiteral("The transfer failed: %1 ended with status %2.")
                          .arg(m_program)
                          .arg(status == QProcess::NormalExit ? exitCode : -1);
    if (!m_lastLine.isEmpty())
        message += QStringLiteral(" It said: \"%1\".").arg(m_lastLine);
    message += QStringLiteral(" Check that the other end was started with the same protocol.");
    end(false, message);
}

void FileTransfer::end(bool ok, const QString &message)
{
    emit finished(ok, message);
    if (!m_interactive)
        return;
    m_interactive = false;
    if (m_progress) {
        m_progress->disconnect(this);
        m_progress->close();
        m_progress->deleteLater();
    }
    showMessage(m_control->window(), ok ? QMessageBox::Information : QMessageBox::Warning,
                m_send ? QStringLiteral("Send a File") : QStringLiteral("Receive a File"), message,
                "FileTransferResult");
}

void FileTransfer::showProgress(qint64 done, qint64 total, const QString &fileName)
{
    if (!m_progress)
        return;
    const QString name = fileName.isEmpty() ? QStringLiteral("Waiting for the other end...")
                                            : (m_send ? QStringLiteral("Sending %1")
                                                      : QStringLiteral("Receiving %1"))
                                                  .arg(fileName);
    if (total > 0) {
        const int percent = int(std::min<qint64>(100, done * 100 / total));
        m_progress->setRange(0, 100);
        m_progress->setValue(percent);
        m_progress->setLabelText(QStringLiteral("%1\n%2 of %3 bytes (%4%)")
                                     .arg(name, grouped(done), grouped(total))
                                     .arg(percent));
    } else {
        m_progress->setRange(0, 0);
        m_progress->setLabelText(QStringLiteral("%1\n%2 bytes").arg(name, grouped(done)));
    }
}

void FileTransfer::askAndStart(bool send)
{
    QWidget *parent = m_control->window();
    const QString title = send ? QStringLiteral("Send a File") : QStringLiteral("Receive a File");
    if (running()) {
        showMessage(parent, QMessageBox::Warning, title,
                    QStringLiteral("A file transfer is already running."), "FileTransferResult");
        return;
    }
    if (!m_control->PortOpen()) {
        showMessage(parent, QMessageBox::Warning, title,
                    QStringLiteral("The port is not open. Connect first, then start the transfer."),
                    "FileTransferResult");
        return;
    }

    auto *dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("FileTransferDialog"));
    dialog->setWindowTitle(title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *protocol = new QComboBox(dialog);
    protocol->setObjectName(QStringLiteral("ProtocolComboBox"));
    protocol->addItems({protocolName(Zmodem), protocolName(Ymodem), protocolName(Xmodem)});
    auto *path = new QLineEdit(dialog);
    path->setObjectName(QStringLiteral("PathEdit"));
    auto *browse = new QPushButton(QStringLiteral("Browse..."), dialog);
    auto *hint = new QLabel(dialog);
    hint->setWordWrap(true);
    QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (downloads.isEmpty() || !QFileInfo(downloads).isDir())
        downloads = QDir::homePath();

    auto refresh = [=] {
        const bool folder = !send && protocol->currentIndex() != Xmodem;
        hint->setText(send     ? QStringLiteral("File to send:")
                      : folder ? QStringLiteral("Folder to receive into (the sender names the "
                                                "file):")
                               : QStringLiteral("File to receive into (XMODEM sends no name):"));
        if (!send) {
            const QFileInfo now(path->text());
            if (folder && !now.isDir())
                path->setText(QDir::toNativeSeparators(downloads));
            else if (!folder && now.isDir())
                path->setText(QDir(path->text()).filePath(QStringLiteral("received.bin")));
        }
    };
    refresh();
    connect(protocol, &QComboBox::currentIndexChanged, dialog, refresh);
    connect(browse, &QPushButton::clicked, dialog, [=] {
        QString chosen;
        if (send)
            chosen =
                QFileDialog::getOpenFileName(dialog, QStringLiteral("File to send"), path->text());
        else if (protocol->currentIndex() != Xmodem)
            chosen = QFileDialog::getExistingDirectory(
                dialog, QStringLiteral("Folder to receive into"), path->text());
        else
            chosen = QFileDialog::getSaveFileName(dialog, QStringLiteral("File to receive into"),
                                                  path->text());
        if (!chosen.isEmpty())
            path->setText(QDir::toNativeSeparators(chosen));
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    auto *row = new QHBoxLayout;
    row->addWidget(path, 1);
    row->addWidget(browse);
    auto *form = new QFormLayout(dialog);
    form->addRow(QStringLiteral("Protocol:"), protocol);
    form->addRow(hint);
    form->addRow(row);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [=, this] {
        QString error;
        m_interactive = true;
        m_progress = new QProgressDialog(parent);
        m_progress->setObjectName(QStringLiteral("FileTransferProgress"));
        m_progress->setWindowTitle(title);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumDuration(0);
        m_progress->setCancelButtonText(QStringLiteral("Cancel"));
        connect(m_progress, &QProgressDialog::canceled, this, &FileTransfer::cancel);
        connect(this, &FileTransfer::progress, m_progress,
                [this](qint64 d, qint64 t, const QString &n) { showProgress(d, t, n); });
        if (!start(send, Protocol(protocol->currentIndex()),
                   QDir::fromNativeSeparators(path->text()), &error)) {
            m_interactive = false;
            m_progress->deleteLater();
            showMessage(dialog, QMessageBox::Warning, title, error, "FileTransferResult");
            return; // the choice stays open to be corrected
        }
        showProgress(0, m_total, m_fileName);
        m_progress->show();
        dialog->accept();
    });
    dialog->open();
}
