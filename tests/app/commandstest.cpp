#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTest>
#include <QWheelEvent>
#include <cstring>

#include "app/commandglobals.h"
#include "campaign/campaign_value.h"
#include "app/imagearea.h"
#include "tests/app/apptests.h"
#include "tests/app/formfixture.h"

namespace zarudiv {

namespace {

bool sameBits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

struct Snapshot {
    QStringList edits;
    std::int32_t generations, mutants, dimension;
    long double step;
    std::uint8_t save;
    int progress1Maximum, progress2Maximum;
};

Snapshot snapshot(TForm1& form)
{
    Snapshot s;
    for (QLineEdit* edit : {form.Edit1, form.Edit2, form.Edit3, form.Edit4, form.Edit5, form.Edit6,
                            form.Edit7, form.Edit8, form.Edit9, form.Edit10})
        s.edits << edit->text();
    s.generations = maxGenerationen;
    s.mutants = maxMutanten;
    s.dimension = Dimension;
    s.step = StartSchrittweite;
    s.save = saveOption;
    s.progress1Maximum = form.ProgressBar1->maximum();
    s.progress2Maximum = form.ProgressBar2->maximum();
    return s;
}

}  // namespace

// The parameter scroll bars and the "GRA ?" and "Save Option" commands.
class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void generations_data();
    void generations();
    void mutants_data();
    void mutants();
    void startStep_data();
    void startStep();
    void dimensionChangesOnlyItsField();
    void unboundEditHandlerReadsTheScrollBar();
    void unboundFlagHandlers();
    void saveOptionOnThenNewDiagramLeavesSavingOff();
    void newDiagramDrawsAxesOnImage1Only();
    void lowerMaximumKeepsAFullBarFull();
    void scrollBarKeysMoveAsTheDesktopsDo_data();
    void scrollBarKeysMoveAsTheDesktopsDo();
    void theWheelKeepsItsDirection();
};

// Right and Down raise the position, Left and Up lower it, Home and End go
// to the ends, Page Up and Page Down move by the large change (1).
void CommandsTest::scrollBarKeysMoveAsTheDesktopsDo_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("position");
    QTest::newRow("Right") << int(Qt::Key_Right) << 101;
    QTest::newRow("Down") << int(Qt::Key_Down) << 101;
    QTest::newRow("Left") << int(Qt::Key_Left) << 99;
    QTest::newRow("Up") << int(Qt::Key_Up) << 99;
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << 101;
    QTest::newRow("Page Up") << int(Qt::Key_PageUp) << 99;
    QTest::newRow("Home") << int(Qt::Key_Home) << 1;
    QTest::newRow("End") << int(Qt::Key_End) << 1000;
}

void CommandsTest::scrollBarKeysMoveAsTheDesktopsDo()
{
    QFETCH(int, key);
    QFETCH(int, position);
    FreshForm form;
    QCOMPARE(form->ScrollBar3->value(), 100);
    form->ScrollBar3->setFocus();
    QTest::keyClick(form->ScrollBar3, static_cast<Qt::Key>(key));
    QCOMPARE(form->ScrollBar3->value(), position);
    QCOMPARE(StartSchrittweite, StepWidthOf(position));
}

// The wheel turns the position the way the toolkit's own scroll bar does.
void CommandsTest::theWheelKeepsItsDirection()
{
    FreshForm form;
    QScrollBar stock(Qt::Horizontal);
    stock.setRange(1, 1000);
    stock.setSingleStep(1);
    stock.setPageStep(1);
    for (const QPoint angle : {QPoint(0, 120), QPoint(0, -120), QPoint(120, 0)}) {
        form->ScrollBar3->setValue(500);
        stock.setValue(500);
        for (QScrollBar* bar : {form->ScrollBar3, &stock}) {
            QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), angle, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar, &wheel);
        }
        QVERIFY(stock.value() != 500);
        QCOMPARE(form->ScrollBar3->value(), stock.value());
    }
}

void CommandsTest::generations_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("lowest") << 1 << "1   GENERATIONEN";
    QTest::newRow("middle") << 250 << "250   GENERATIONEN";
    QTest::newRow("highest") << 10000 << "10000   GENERATIONEN";
}

void CommandsTest::generations()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    FreshForm form;
    form->ScrollBar1->setValue(position);
    QCOMPARE(maxGenerationen, position);
    QCOMPARE(form->ProgressBar1->maximum(), position);
    QCOMPARE(form->Edit1->text(), text);
}

void CommandsTest::mutants_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("lowest") << 1 << "1   MUTANTEN";
    QTest::newRow("middle") << 7 << "7   MUTANTEN";
    QTest::newRow("highest") << 100 << "100   MUTANTEN";
}

void CommandsTest::mutants()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    FreshForm form;
    // The bar starts at its lowest position: move it away first so that
    // setting the lowest is a change too.
    form->ScrollBar2->setValue(50);
    form->ScrollBar2->setValue(position);
    QCOMPARE(maxMutanten, position);
    QCOMPARE(form->ProgressBar2->maximum(), position);
    QCOMPARE(form->Edit2->text(), text);
}

void CommandsTest::startStep_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("lowest") << 1 << "1 ppm SCHRITTWEITE BEI START";
    QTest::newRow("five hundred") << 500 << "500 ppm SCHRITTWEITE BEI START";
    QTest::newRow("highest") << 1000 << "1000 ppm SCHRITTWEITE BEI START";
}

void CommandsTest::startStep()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    FreshForm form;
    form->ScrollBar3->setValue(position);
    // The quotient in extended precision, bit for bit.
    const long double expected = static_cast<long double>(position) / 1000000000.0L;
    QVERIFY(sameBits(StartSchrittweite, expected));
    QCOMPARE(form->Edit3->text(), text);
}

void CommandsTest::dimensionChangesOnlyItsField()
{
    FreshForm form;
    const Snapshot before = snapshot(*form);
    form->ScrollBar4->setValue(7);
    const Snapshot after = snapshot(*form);

    QCOMPARE(Dimension, 7);
    QCOMPARE(form->Edit10->text(), QStringLiteral("   DIMENSION =  7"));
    for (int i = 0; i < 9; ++i)
        QCOMPARE(after.edits.at(i), before.edits.at(i));
    QCOMPARE(after.generations, before.generations);
    QCOMPARE(after.mutants, before.mutants);
    QVERIFY(sameBits(after.step, before.step));
    QCOMPARE(after.save, before.save);
    QCOMPARE(after.progress1Maximum, before.progress1Maximum);
    QCOMPARE(after.progress2Maximum, before.progress2Maximum);

    form->ScrollBar4->setValue(50);
    QCOMPARE(form->Edit10->text(), QStringLiteral("   DIMENSION =  50"));
}

void CommandsTest::unboundEditHandlerReadsTheScrollBar()
{
    FreshForm form;
    {
        const QSignalBlocker quiet(form->ScrollBar2);
        form->ScrollBar2->setValue(42);
    }
    form->Edit2->setText(QStringLiteral("9"));
    QCOMPARE(maxMutanten, 0);
    form->Edit2Change(form->Edit2);
    QCOMPARE(maxMutanten, 42);
    QCOMPARE(form->ProgressBar2->maximum(), 42);
    QCOMPARE(form->Edit2->text(), QStringLiteral("42   MUTANTEN"));
}

void CommandsTest::unboundFlagHandlers()
{
    FreshForm form;
    bitBtn2Flag = 1;
    form->BitBtn2Click(nullptr);
    QCOMPARE(bitBtn2Flag, std::uint8_t{0});
    form->CheckBox1Click(nullptr);
    QCOMPARE(checkBox1Flag, std::uint8_t{1});
}

void CommandsTest::saveOptionOnThenNewDiagramLeavesSavingOff()
{
    FreshForm form;
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(saveOption, std::uint8_t{1});
    QCOMPARE(form->Button3->text(), QStringLiteral("SAVE"));

    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QCOMPARE(saveOption, std::uint8_t{0});
    QCOMPARE(form->Button3->text(), QStringLiteral("Save that file ?"));
    QCOMPARE(form->Button2->text(), QStringLiteral("neuGRA"));

    // Saving goes on again; a second new diagram leaves "neuGRA" as it is.
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(saveOption, std::uint8_t{1});
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QCOMPARE(saveOption, std::uint8_t{0});
    QCOMPARE(form->Button2->text(), QStringLiteral("neuGRA"));
}

void CommandsTest::newDiagramDrawsAxesOnImage1Only()
{
    FreshForm form;
    QTest::qWait(50);
    PaintRecorder painted(form->Image1);
    form->Button2Click(form->Button2);
    painted.clear();
    QVERIFY(form->Image1->canvas().hasBitmap());
    for (const ImageArea* other : {form->Image2, form->Image3, form->Image4, form->Image5, form->Image6,
                                   form->Image7, form->Image8, form->Image9, form->Image10, form->Image11})
        QVERIFY(!other->canvas().hasBitmap());

    // On 225 x 289 the axes meet at (11, 279): the x axis runs along row 279,
    // the y axis along column 11, the inside is white.
    const QImage& bitmap = form->Image1->canvas().bitmap();
    QCOMPARE(bitmap.pixel(60, 279), qRgb(0, 0, 0));
    QCOMPARE(bitmap.pixel(11, 150), qRgb(0, 0, 0));
    QCOMPARE(bitmap.pixel(100, 150), qRgb(255, 255, 255));

    // The new diagram reaches the screen with the next ordinary repaint.
    QTRY_VERIFY(painted.count() > 0);
}

void CommandsTest::lowerMaximumKeepsAFullBarFull()
{
    FreshForm form;
    form->ScrollBar1->setValue(20);
    form->ProgressBar1->setValue(20);
    form->ScrollBar1->setValue(5);
    QCOMPARE(form->ProgressBar1->maximum(), 5);
    QCOMPARE(form->ProgressBar1->value(), 5);
}

int runCommandsTest(int argc, char* argv[])
{
    CommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

#include "commandstest.moc"
