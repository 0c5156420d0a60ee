#include "AtMenuItems.h"
#include "FakeLink.h"
#include "FakeProgram.h"
#include "HexView.h"
#include "PaintedText.h"
#include "Panel.h"
#include "Program.h"
#include "SignalPanel.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TPort_Frm.h"
#include "TRingBox.h"
#include "TSBD_Frm.h"
#include "WindowTour.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QTransform>

#include <algorithm>
#include <cmath>

// Every window, every AT command table page and every "Set..." panel shows its whole text:
// each label, button, tick box, radio button, list, field and spin box has room for what it
// shows, lies inside the widget that holds it, and can be read against what lies behind it
// (a contrast of 4.5:1 at least). Run at the default scale and at 1.5x.
class TextFitTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    QStringList faults;
    QString where; // the window or page being checked

    QString plain(QString t) { return t.replace("&&", "\x01").remove('&').replace("\x01", "&"); }

    // Widgets drawn inside another control (a spin box's field, a list's view) belong to it.
    static bool insideControl(const QWidget *w, const QWidget *top)
    {
        for (const QWidget *p = w->parentWidget(); p && p != top; p = p->parentWidget())
            if (qobject_cast<const QComboBox *>(p) || qobject_cast<const QAbstractSpinBox *>(p) ||
                (qobject_cast<const QAbstractScrollArea *>(p) &&
                 p->objectName() != QLatin1String("ScrollBox")))
                return true;
        return false;
    }

    static QString name(const QWidget *w)
    {
        return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                         : w->objectName();
    }

    static QString size(int w, int h) { return QStringLiteral("%1x%2").arg(w).arg(h); }
    static QString size(QRect r) { return size(r.width(), r.height()); }
    static QString quoted(const QString &text) { return '"' + text + '"'; }

    void fault(const QWidget *w, const QString &what)
    {
        faults << QStringLiteral("%1: %2 (in %3): %4")
                      .arg(where, name(w), name(w->parentWidget() ? w->parentWidget() : w), what);
    }

    void tooSmall(const QWidget *w, const QString &what, const QString &needs, const QString &has)
    {
        fault(w, what + " needs " + needs + ", has " + has);
    }

    // Checks that a widget has room for what it shows; returns where it draws its text, in its
    // own coordinates (empty for no text).
    QRect checkWidget(QWidget *w)
    {
        const QFontMetrics fm = w->fontMetrics();
        if (auto *p = dynamic_cast<PaintedText *>(w)) {
            const QSize needs = p->paintedTextNeeds(), room = p->paintedTextRoom();
            if (needs.width() > room.width() || needs.height() > room.height() + 2)
                tooSmall(w, "painted " + quoted(p->paintedText()),
                         size(needs.width(), needs.height()), size(room.width(), room.height()));
            return w->rect();
        }
        if (auto *l = qobject_cast<QLabel *>(w)) {
            if (l->text().isEmpty())
                return {};
            const QRect room = l->contentsRect();
            const int height = l->heightForWidth(l->width());
            if (l->wordWrap() && height > l->height())
                tooSmall(w, quoted(l->text()), QString::number(height) + " px of height",
                         QString::number(l->height()));
            else if (!l->wordWrap() &&
                     (l->sizeHint().width() > l->width() || fm.height() > room.height() + 2))
                tooSmall(w, quoted(l->text()), size(l->sizeHint().width(), fm.height()),
                         size(l->width(), room.height()));
            return room;
        }
        if (auto *b = qobject_cast<QAbstractButton *>(w)) {
            const QString text = plain(b->text());
            if (text.isEmpty())
                return {};
            QStyleOptionButton opt;
            opt.initFrom(b);
            opt.text = b->text();
            // Tick boxes and radio buttons draw their text where the style says; others inset.
            QRect room = b->rect().adjusted(3, 2, -3, -2), area = b->rect().adjusted(3, 3, -3, -3);
            if (qobject_cast<QCheckBox *>(b))
                room = area = b->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, b);
            else if (qobject_cast<QRadioButton *>(b))
                room = area = b->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, b);
            else if (qobject_cast<QPushButton *>(b))
                room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
            if (fm.horizontalAdvance(text) > room.width() || fm.height() > room.height() + 4)
                tooSmall(w, quoted(text), QString::number(fm.horizontalAdvance(text)) + " px",
                         size(room));
            return area;
        }
        if (auto *c = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox opt;
            opt.initFrom(c);
            opt.editable = c->isEditable();
            opt.frame = c->hasFrame();
            const QRect room = c->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                          QStyle::SC_ComboBoxEditField, c);
            int widest = 0;
            QString widestText;
            for (int i = 0; i < c->count(); ++i)
                if (fm.horizontalAdvance(c->itemText(i)) > widest)
                    widest = fm.horizontalAdvance(widestText = c->itemText(i));
            if (widest + 4 > room.width())
                tooSmall(w, "item " + quoted(widestText), QString::number(widest + 4) + " px",
                         QString::number(room.width()));
            return {};
        }
        if (auto *e = qobject_cast<QLineEdit *>(w)) {
            const int room = e->width() - 8;
            if (fm.horizontalAdvance(e->text()) > room)
                tooSmall(w, quoted(e->text()),
                         QString::number(fm.horizontalAdvance(e->text())) + " px",
                         QString::number(room));
            return e->text().isEmpty() ? QRect() : e->rect().adjusted(3, 3, -3, -3);
        }
        if (auto *s = qobject_cast<QSpinBox *>(w)) {
            QStyleOptionSpinBox opt;
            opt.initFrom(s);
            opt.frame = s->hasFrame();
            opt.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField |
                              QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
            const QRect room = s->style()->subControlRect(QStyle::CC_SpinBox, &opt,
                                                          QStyle::SC_SpinBoxEditField, s);
            // Room for the widest value the operator can choose, within reason.
            const QString widest = QString::number(
                std::min(std::max(std::abs(s->maximum()), std::abs(s->minimum())), 9999));
            if (fm.horizontalAdvance(widest) + 4 > room.width())
                tooSmall(w, "value " + widest,
                         QString::number(fm.horizontalAdvance(widest) + 4) + " px",
                         QString::number(room.width()));
        }
        return {};
    }

    static double luminance(QRgb c)
    {
        auto channel = [](int v) {
            const double x = v / 255.0;
            return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    }

    static double contrast(QRgb a, QRgb b)
    {
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    }

    // The colour most of the text's area shows is what lies behind the text; the text's own
    // colour is the one that differs most from it.
    void checkContrast(QWidget *top, const QImage &shot, QWidget *w, const QRect &area)
    {
        // A greyed control is meant to recede; text scrolled out of view is read once back.
        if (!w->isEnabled() || area.isEmpty() || !(QRegion(area) - w->visibleRegion()).isEmpty())
            return;
        const qreal dpr = shot.devicePixelRatio();
        const QRect pixels = QTransform::fromScale(dpr, dpr)
                                 .mapRect(QRect(w->mapTo(top, area.topLeft()), area.size()))
                                 .intersected(shot.rect());
        QHash<QRgb, int> counts;
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x)
                ++counts[shot.pixel(x, y) | 0xff000000u];
        if (counts.isEmpty())
            return;
        const QRgb behind = std::max_element(counts.constBegin(), counts.constEnd()).key();
        double best = 1.0;
        for (auto i = counts.constBegin(); i != counts.constEnd(); ++i)
            best = std::max(best, contrast(i.key(), behind));
        if (best < 4.5)
            fault(w, QStringLiteral("text has a contrast of %1:1 against %2")
                         .arg(best, 0, 'f', 1)
                         .arg(QColor(behind).name()));
    }

    void checkWindow(const QString &place, QWidget *top)
    {
        where = place;
        QVERIFY2(QTest::qWaitForWindowExposed(top, 30000), qPrintable(where));
        // A window that grows as it shows gets its new size from the window manager a moment
        // later; until then its texts are squeezed for a frame, which no one sees.
        (void)QTest::qWaitFor(
            [top] { return top->size().expandedTo(top->minimumSizeHint()) == top->size(); }, 5000);
        QApplication::processEvents();
        const QImage shot = top->grab().toImage();
        const auto children = top->findChildren<QWidget *>();
        for (QWidget *w : children) {
            if (!w->isVisible() || w->isWindow() || w->size().isEmpty() || insideControl(w, top))
                continue;
            checkContrast(top, shot, w, checkWidget(w));
            // Text needs a little air from the window's edges.
            if (auto *l = qobject_cast<QLabel *>(w);
                l && !l->text().isEmpty() && !top->findChild<QAbstractScrollArea *>()) {
                const QRect r(l->mapTo(top, l->contentsRect().topLeft()), l->contentsRect().size());
                const int textWidth = std::min(r.width(), l->sizeHint().width());
                int left = r.left();
                if (l->alignment() & Qt::AlignHCenter)
                    left += (r.width() - textWidth) / 2;
                else if (l->alignment() & Qt::AlignRight)
                    left = r.right() - textWidth;
                if (left < 3 || left + textWidth > top->width() - 3)
                    fault(w, quoted(l->text()) + " touches the window's edge");
            }
            QWidget *parent = w->parentWidget();
            if (parent && parent != top &&
                parent->objectName() != QLatin1String("qt_scrollarea_viewport") &&
                !parent->rect().contains(w->geometry()))
                fault(w, QStringLiteral("lies outside its %1 holder at %2,%3 %4")
                             .arg(size(parent->rect()))
                             .arg(w->x())
                             .arg(w->y())
                             .arg(size(w->rect())));
            else if (parent == top && !top->rect().contains(w->geometry()))
                fault(w, QStringLiteral("lies outside the window"));
        }
    }

    void report()
    {
        for (const QString &f : std::as_const(faults))
            qWarning("%s", qPrintable(f));
        QVERIFY2(faults.isEmpty(), "texts that do not fit or cannot be read, listed above");
    }

    // A whole hex row, offset to closing bar, fits across the terminal area.
    void hexRowFitsTheTerminal()
    {
        Form1->ShowHex1->setChecked(true);
        auto *hex = Form1->findChild<HexView *>(QStringLiteral("HexView"));
        QVERIFY(hex);
        QTRY_VERIFY(hex->isVisible());
        static const char bytes[] = "AT+SBDRB\r\r\n\x00\x1b\x7f\xffWWWWWMMMMMMMMMM";
        for (int i = 0; i < 40; ++i)
            hex->append(QByteArray(bytes, sizeof bytes - 1));
        QCOMPARE(hex->paintedText().size(), 78);
        checkWindow("main window, hex", Form1);
        Form1->ShowHex1->setChecked(false);
    }

    // What the status bar and the rows above it show as the handset and the operator go:
    // every registration word, a call's duration, a capture to a long file name.
    void statusTexts()
    {
        fake->inject("\r\n+CSQ:5\r\n\r\nOK\r\n");
        QTRY_COMPARE(Form1->Signal_Panel->bars(), 5);
        const QStringList words{"No service", "Home", "Searching", "Denied", "Unknown", "Roaming"};
        for (int stat = 0; stat < words.size(); ++stat) {
            fake->inject(QStringLiteral("\r\n+CREG: 0,%1\r\n\r\nOK\r\n").arg(stat).toLatin1());
            QTRY_COMPARE(Form1->Signal_Panel->word(), words[stat]);
            checkWindow(QStringLiteral("status bar, ") + words[stat], Form1);
        }

        fake->inject("\r\nCONNECT 9600\r\n");
        QTRY_VERIFY(Form1->CallTime_Panel->isVisible());
        checkWindow("call duration", Form1);
        fake->inject("\r\nNO CARRIER\r\n");
        QTRY_VERIFY(Form1->CallTime_Panel->text().startsWith("Last call "));
        checkWindow("last call", Form1);

        // The capture panel keeps what it says and the file's kind; the middle of a long
        // name gives way.
        const QString file = dir.filePath(QStringLiteral(
            "capture of the handset on the night shift in the north hangar, 7 December.log"));
        emit Form1->CaptureDialog->fileSelected(file);
        QTRY_VERIFY(Form1->Capture_Panel->isVisible());
        checkWindow("capture to a long file name", Form1);
        const QString caption = Form1->Capture_Panel->caption();
        if (!caption.startsWith(QStringLiteral("\u25CF Capturing to capture")) ||
            !caption.endsWith(QStringLiteral("December.log")))
            faults << QStringLiteral("the capture panel says \"%1\"").arg(caption);
        QVERIFY(Form1->Capture_Panel->toolTip().endsWith(QDir::toNativeSeparators(file)));
        Form1->StopCapture1->trigger();
    }

private slots:
    void initTestCase()
    {
        prepare(false);
        start();
    }

    void cleanupTestCase() { finish(); }

    void init() { faults.clear(); }

    void mainWindowAndItsBoxes()
    {
        Form1->SmsValue = "OFF"; // no indication request to answer on connecting
        tour::Handset h;
        h.fail = [this](const QString &why) { faults << why; };
        h.atTerminal = [this] {
            hexRowFitsTheTerminal();
            statusTexts();
        };
        h.inSmsWindow = [] {};
        h.inSbdWindow = [this] {
            QTRY_VERIFY(SBD_Frm->CheckMailboxB->isEnabled());
            SBD_Frm->CheckMailboxB->click();
            fake->inject("\r\n0\r\n\r\nOK\r\n");
            fake->inject("\r\n+SBDI: 2, 8, 2, 0, 0, 3\r\n\r\nOK\r\n");
        };
        h.ring = [this] { fake->fireRing(); };
        h.refused = [this] {
            fake->inject("\r\nNO CARRIER\r\n"); // the answer the escape broke off
            checkWindow("ring box, disconnecting", RingBox);
            RingBox->close();
            Form1->DisconnectTimer->stop();
        };
        tour::walk([this](const QString &name, QWidget *window) { checkWindow(name, window); }, h);

        // A port named by the system's stable path, as a session may name it.
        Form1->Disconnect1->trigger();
        QTRY_VERIFY(Form1->PPropertyB->isEnabled());
        Form1->PPropertyB->click();
        const QString byId =
            QStringLiteral("/dev/serial/by-id/usb-Tandrel_Satellite_Handset_300234010753370-if00");
        Form1->ComValue = byId.toStdString();
        Port_Frm->PortSet_OKB->click();
        checkWindow("main window, port by id", Form1);
        QCOMPARE(Form1->COM_Panel->toolTip(), byId);
        if (!Form1->COM_Panel->caption().startsWith(QStringLiteral("usb-")) ||
            !Form1->COM_Panel->caption().endsWith(QStringLiteral("-if00")))
            faults << QStringLiteral("the port panel says \"%1\"").arg(Form1->COM_Panel->caption());
        report();
    }

    void everyCommandPageAndPanel()
    {
        for (const AtMenuItem &item : atMenuItems()) {
            const QString page = QLatin1String(item.objectName);
            ATTableForm->ShowPage(page);
            checkWindow(page, ATTableForm);
            for (QPushButton *set : {ATTableForm->Set_RealClockB, ATTableForm->Set_DCB,
                                     ATTableForm->Set_PhonebookB, ATTableForm->Change_PhoneNumberB})
                if (set->isVisible()) {
                    set->click();
                    checkWindow(page + QStringLiteral(" panel"), ATTableForm);
                }
        }
        ATTableForm->ShowPage(QStringLiteral("TermsandAbbreviations1"));
        checkWindow("Terms and Abbreviations", ATTableForm);
        // Nothing of the command page shows through the glossary laid over it.
        QWidget *glossary = ATTableForm->TermsAbbrevPanel;
        const QImage own = glossary->grab().toImage();
        const QImage onPage = glossary->parentWidget()->grab(glossary->geometry()).toImage();
        if (own != onPage)
            faults << QStringLiteral("the command page shows through the glossary");
        ATTableForm->close();
        report();
    }
};

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
