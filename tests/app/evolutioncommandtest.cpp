#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "app/commandglobals.h"
#include "app/imagearea.h"
#include "tests/app/apptests.h"
#include "tests/app/formfixture.h"

namespace zarudiv {

namespace {

const QString kProtocol = QStringLiteral("C:/QX_000_000.doc");

QByteArray firstLine() { return "##### QX++ Document #####  BEGIN of Savefile: > C:/QX_000_000.doc < ######"; }
QByteArray lastLine() { return "##### QX++ Document #####  END of Savefile  " + QByteArray(26, '#'); }

QList<QByteArray> protocolLines()
{
    QList<QByteArray> lines = fileBytes(kProtocol).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Presses " EVOLUTION", waits until the campaign has ended and answers the
// message box that may come up; the box's text, or nothing when none came.
QString pressEvolution(TForm1& form)
{
    QString shown;
    QTimer answer;
    answer.setInterval(10);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            QCOMPARE(box->icon(), QMessageBox::Critical);
            box->accept();
        }
    });
    answer.start();
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    waitForCampaign(form);
    return shown;
}

void setParameters(TForm1& form, int generations, int mutants, int stepPpm)
{
    form.ScrollBar1->setValue(generations);
    form.ScrollBar2->setValue(50);
    form.ScrollBar2->setValue(mutants);
    form.ScrollBar3->setValue(stepPpm);
}

}  // namespace

// The " EVOLUTION" command: the protocol file, the campaign's display and its errors.
class EvolutionCommandTest : public QObject {
    Q_OBJECT
private slots:
    void nothingMovedWritesOpeningAndClosingLine();
    void nothingMovedWithSavingWritesZeroHeaderAndReport();
    void fileNameIsTheListsFirstEntry();
    void seededCampaignShowsItsProgress();
    void sameSeedSameProtocol();
    void unwritableProtocolShowsTheErrorAndRunsNothing();
    void overflowShowsTheMessageKeepsTheRowsAndTheNextCommandWorks();
    void windowAndRunnerWriteTheSameProtocolAndPictures();
};

void EvolutionCommandTest::nothingMovedWritesOpeningAndClosingLine()
{
    ScratchDirectory scratch;
    QVERIFY(scratch.isValid());
    FreshForm form;
    QCOMPARE(pressEvolution(*form), QString());
    QCOMPARE(fileBytes(kProtocol), firstLine() + "\r\n" + lastLine() + "\r\n");
    // No generation ran: the fields and bars are as they were.
    QCOMPARE(form->Edit4->text(), QStringLiteral("Edit4"));
    QCOMPARE(form->Edit8->text(), QStringLiteral("Edit8"));
    QCOMPARE(form->ProgressBar1->value(), 0);
    // The target and start vectors are drawn all the same.
    QVERIFY(form->Image8->canvas().hasBitmap());
    QVERIFY(form->Image9->canvas().hasBitmap());
    QVERIFY(!form->Image10->canvas().hasBitmap());
}

void EvolutionCommandTest::nothingMovedWithSavingWritesZeroHeaderAndReport()
{
    ScratchDirectory scratch;
    FreshForm form;
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(pressEvolution(*form), QString());
    const QList<QByteArray> lines = protocolLines();
    // First line, four header lines, the 194-line report, last line.
    QCOMPARE(lines.size(), 1 + 4 + 194 + 1);
    QCOMPARE(lines.at(0), firstLine() + "\r");
    QCOMPARE(lines.at(1), QByteArray("\r"));
    QCOMPARE(lines.at(2),
             QByteArray("maxGenerationen:    0    maxMutanten:  0    Start-Schrittweite:0.0000000000     \r"));
    QCOMPARE(lines.at(3), QByteArray("\r"));
    QCOMPARE(lines.at(4), QByteArray("Generation   Fu-Aufrufe     Qualit\xE4t           Schrittweite         \r"));
    QCOMPARE(lines.last(), lastLine() + "\r");
}

void EvolutionCommandTest::fileNameIsTheListsFirstEntry()
{
    ScratchDirectory scratch;
    FreshForm form;
    form->ComboBox2->setCurrentIndex(1);
    form->ComboBox2->setEditText(QStringLiteral("E:/anders.doc"));
    QTest::keyClick(form->ComboBox2->lineEdit(), Qt::Key_Return);
    QCOMPARE(pressEvolution(*form), QString());
    QCOMPARE(QString::fromStdString(saveFileName), kProtocol);
    QVERIFY(QFile::exists(kProtocol));
    QCOMPARE(QDir(QStringLiteral(".")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList{QStringLiteral("C:")});
    // The protocol, and beside it the journal of campaigns and the campaign's best law.
    const QStringList written = QDir(QStringLiteral("C:")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    QCOMPARE(written.size(), 3);
    QCOMPARE(written.at(0), QStringLiteral("QX_000_000.doc"));
    QCOMPARE(written.at(1), QStringLiteral("zarudiv-journal.csv"));
    QVERIFY2(written.at(2).startsWith(QStringLiteral("zarudiv-law-")), qPrintable(written.at(2)));
    QCOMPARE(form->ComboBox2->count(), 2);
    QCOMPARE(form->ComboBox2->itemText(0), kProtocol);
}

void EvolutionCommandTest::seededCampaignShowsItsProgress()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 3, 2, 500);
    form->campaignSeed = 20240601u;
    form->Button1Click(form->Button1);
    waitForCampaign(*form);

    // After the campaign the window shows its final state.
    QCOMPARE(form->ProgressBar1->value(), 3);
    QCOMPARE(form->ProgressBar2->value(), 2);
    QCOMPARE(form->Edit4->text(), QStringLiteral("3 von  3"));
    QCOMPARE(form->Edit5->text(), QStringLiteral("2 von  2"));
    QVERIFY(form->Edit6->text().startsWith(QStringLiteral("del[ppm]= ")));
    QVERIFY(form->Edit8->text().startsWith(QStringLiteral("(MINIMIZE Q) Q(G) = ")));
    for (const ImageArea* drawn : {form->Image1, form->Image2, form->Image3, form->Image4, form->Image7,
                                   form->Image8, form->Image9, form->Image10}) {
        QVERIFY2(drawn->canvas().hasBitmap(), qPrintable(drawn->objectName()));
        QCOMPARE(drawn->shown(), drawn->canvas().bitmap());
    }
    for (const ImageArea* never : {form->Image5, form->Image6, form->Image11})
        QVERIFY(!never->canvas().hasBitmap());

    // A campaign leaves the parameters as they were.
    QCOMPARE(maxGenerationen, 3);
    QCOMPARE(maxMutanten, 2);
    QCOMPARE(saveOption, std::uint8_t{0});
    QCOMPARE(protocolLines().size(), 2);
}

void EvolutionCommandTest::sameSeedSameProtocol()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 3, 2, 500);
    QTest::mouseClick(form->Button3, Qt::LeftButton);

    form->campaignSeed = 7u;
    QCOMPARE(pressEvolution(*form), QString());
    const QByteArray first = fileBytes(kProtocol);
    QCOMPARE(pressEvolution(*form), QString());
    const QByteArray again = fileBytes(kProtocol);
    form->campaignSeed = 8u;
    QCOMPARE(pressEvolution(*form), QString());
    const QByteArray otherSeed = fileBytes(kProtocol);

    QCOMPARE(again, first);
    QVERIFY(otherSeed != first);

    const QList<QByteArray> lines = protocolLines();
    QCOMPARE(lines.size(), 1 + 4 + 3 + 194 + 1);
    QCOMPARE(lines.at(2),
             QByteArray("maxGenerationen:    3    maxMutanten:  2    Start-Schrittweite:0.0000005000     \r"));
    // Each row starts with the generation and the evaluations so far.
    QVERIFY(lines.at(5).startsWith("    1*            2*        "));
    QVERIFY(lines.at(6).startsWith("    2*            4*        "));
    QVERIFY(lines.at(7).startsWith("    3*            6*        "));
}

void EvolutionCommandTest::unwritableProtocolShowsTheErrorAndRunsNothing()
{
    ScratchDirectory scratch;
    // A directory where the protocol file should be: it cannot be opened for writing.
    QVERIFY(QDir().mkpath(kProtocol));
    FreshForm form;
    setParameters(*form, 3, 2, 500);
    const QString message = pressEvolution(*form);
    QVERIFY(!message.isEmpty());
    QCOMPARE(form->Edit4->text(), QStringLiteral("Edit4"));
    QCOMPARE(form->ProgressBar1->value(), 0);
    QVERIFY(!form->Image8->canvas().hasBitmap());
    QVERIFY(form->isVisible());
}

void EvolutionCommandTest::overflowShowsTheMessageKeepsTheRowsAndTheNextCommandWorks()
{
    ScratchDirectory scratch;
    FreshForm form;
    setParameters(*form, 12, 4, 500);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    // No scroll-bar position reaches a step this large; with it some mutants'
    // states overflow, the first of them (seed 3) in generation 7.
    StartSchrittweite = 1e6L;
    form->campaignSeed = 3u;
    QCOMPARE(pressEvolution(*form), QStringLiteral("Gleitkomma\u00fcberlauf"));
    QCOMPARE(form->Edit4->text(), QStringLiteral("7 von  12"));
    QList<QByteArray> lines = protocolLines();
    QCOMPARE(lines.size(), 1 + 4 + 6);
    QVERIFY(lines.last().startsWith("    6*           24*"));
    QVERIFY(!fileBytes(kProtocol).contains("END of Savefile"));
    QVERIFY(form->isVisible());

    // The file was closed after the error: the next command works normally.
    form->ScrollBar3->setValue(400);
    QCOMPARE(pressEvolution(*form), QString());
    lines = protocolLines();
    QCOMPARE(lines.size(), 1 + 4 + 12 + 194 + 1);
    QCOMPARE(lines.last(), lastLine() + "\r");
}

void EvolutionCommandTest::windowAndRunnerWriteTheSameProtocolAndPictures()
{
    ScratchDirectory scratch;
    FreshForm form;
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    setParameters(*form, 4, 3, 800);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    form->campaignSeed = 4242u;
    QCOMPARE(pressEvolution(*form), QString());

    QDir runnerDir(scratch.path());
    QVERIFY(runnerDir.mkpath(QStringLiteral("runner")));
    QProcess runner;
    runner.setWorkingDirectory(scratch.path() + QStringLiteral("/runner"));
    runner.start(QStringLiteral(ZARUDIV_RUN),
                 {QStringLiteral("--generations"), QStringLiteral("4"), QStringLiteral("--mutants"),
                  QStringLiteral("3"), QStringLiteral("--step"), QStringLiteral("800"),
                  QStringLiteral("--seed"), QStringLiteral("4242"), QStringLiteral("--save"),
                  QStringLiteral("--plots"), QStringLiteral("pictures")});
    QVERIFY(runner.waitForFinished(60000));
    QCOMPARE(runner.exitCode(), 0);

    // Both name the same file, so the two protocols must match byte for byte.
    const QByteArray fromRunner = fileBytes(QStringLiteral("runner/") + kProtocol);
    QVERIFY(!fromRunner.isEmpty());
    QCOMPARE(fromRunner, fileBytes(kProtocol));

    const std::pair<const ImageArea*, const char*> areas[] = {
        {form->Image1, "Image1"}, {form->Image2, "Image2"}, {form->Image3, "Image3"},
        {form->Image4, "Image4"}, {form->Image7, "Image7"}, {form->Image8, "Image8"},
        {form->Image9, "Image9"}, {form->Image10, "Image10"}};
    for (const auto& [area, name] : areas) {
        const QImage picture(QStringLiteral("runner/pictures/") + QLatin1String(name) +
                             QStringLiteral(".png"));
        QVERIFY2(!picture.isNull(), name);
        QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
                 area->canvas().bitmap().convertToFormat(QImage::Format_RGB32));
    }
}

int runEvolutionCommandTest(int argc, char* argv[])
{
    EvolutionCommandTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

#include "evolutioncommandtest.moc"
