#include "Program.h"

#include "ProgramFolders.h"
#include "QtText.h"
#include "SessionRecord.h"
#include "TATTableForm.h"
#include "TChatModeAlert_Frm.h"
#include "TDialing_Frm.h"
#include "TForm1.h"
#include "THint_Frm.h"
#include "TInfoBox.h"
#include "TMsgBox.h"
#include "TPort_Frm.h"
#include "TRingBox.h"
#include "TSBD_Frm.h"
#include "TSMS_Frm.h"
#include "TSearchForm.h"

#include <QStandardPaths>

ProgramObjects *Program = nullptr;

void createProgram(const std::string &programDirectory)
{
    Program = new ProgramObjects;
    Program->session = new SessionRecord;
    const ProgramFolders folders(
        programDirectory,
        tandrel::toFileName(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    Program->programDirectory = programDirectory;
    Program->dataDirectory = folders.writableDirectory();
    Program->smsLogPath = Program->dataDirectory + "SMSLog.txt";
    Program->sbdLogPath = Program->dataDirectory + "SBDLog.txt";
    Program->alertFile = folders.shippedFile("MessagingModeAlert.wav");
}

void createWindows(const std::string &commandLine)
{
    Form1 = new TForm1(commandLine);
    ATTableForm = new TATTableForm;
    SearchForm = new TSearchForm;
    ChatModeAlert_Frm = new TChatModeAlert_Frm;
    MsgBox = new TMsgBox;
    SMS_Frm = new TSMS_Frm;
    SBD_Frm = new TSBD_Frm;
    Port_Frm = new TPort_Frm;
    Dialing_Frm = new TDialing_Frm;
    Hint_Frm = new THint_Frm;
    InfoBox = new TInfoBox;
    RingBox = new TRingBox;
}

template <typename T>
static void destroy(T *&window)
{
    delete window;
    window = nullptr;
}

void destroyProgram()
{
    destroy(RingBox);
    destroy(InfoBox);
    destroy(Hint_Frm);
    destroy(Dialing_Frm);
    destroy(Port_Frm);
    destroy(SBD_Frm);
    destroy(SMS_Frm);
    destroy(MsgBox);
    destroy(ChatModeAlert_Frm);
    destroy(SearchForm);
    destroy(ATTableForm);
    destroy(Form1);
    if (Program) {
        delete Program->session;
        destroy(Program);
    }
}
