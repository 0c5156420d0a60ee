#include "CommandLine.h"
#include "Program.h"
#include "TForm1.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <cstdio>
#include <exception>

namespace {

// Exceptions that reach the event loop are shown, not fatal.
class TandrelApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &e) {
            QMessageBox::critical(nullptr, QStringLiteral("Tandrel Software"),
                                  QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    std::string answer;
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (answerInfoOption(args, &answer)) {
        std::fputs(answer.c_str(), stdout);
        return 0;
    }
    if (refuseUnknownOption(args, &answer)) {
        std::fputs(answer.c_str(), stderr);
        return 2;
    }
    TandrelApplication app(argc, argv);
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    createProgram(TForm1::ProgramDirectory());
    createWindows(commandLine);
    Form1->show();
    const int status = app.exec();
    destroyProgram();
    return status;
}
