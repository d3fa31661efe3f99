#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

#include "app/commandglobals.h"
#include "app/imagearea.h"
#include "app/panel.h"
#include "app/windowcolours.h"
#include "tests/app/apptests.h"
#include "tests/app/formfixture.h"

namespace zarudiv {

// What the window shows, and what the program holds, right after start-up.
class StartupStateTest : public QObject {
    Q_OBJECT
private slots:
    void editTexts_data();
    void editTexts();
    void scrollBars_data();
    void scrollBars();
    void progressBarsAreEmpty();
    void imageAreasAreEmptyAndShowThePanel();
    void captions();
    void panelCaptions_data();
    void panelCaptions();
    void titleBar();
    void globalsStartAtZero();
    void userInformationList();
    void fileNameList();
    void windowLook();
};

void StartupStateTest::editTexts_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    const char* const texts[] = {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5",
                                 "Edit6", "",      "Edit8", "",      "Edit10"};
    for (int i = 0; i < 10; ++i)
        QTest::addRow("Edit%d", i + 1) << i << QString::fromLatin1(texts[i]);
}

void StartupStateTest::editTexts()
{
    QFETCH(int, index);
    QFETCH(QString, text);
    FreshForm form;
    QLineEdit* const edits[] = {form->Edit1, form->Edit2, form->Edit3, form->Edit4, form->Edit5,
                                form->Edit6, form->Edit7, form->Edit8, form->Edit9, form->Edit10};
    QCOMPARE(edits[index]->text(), text);
}

void StartupStateTest::scrollBars_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::newRow("ScrollBar1 generations") << 0 << 1 << 10000 << 10;
    QTest::newRow("ScrollBar2 mutants") << 1 << 1 << 100 << 1;
    QTest::newRow("ScrollBar3 step width") << 2 << 1 << 1000 << 100;
    QTest::newRow("ScrollBar4 dimension") << 3 << 1 << 50 << 20;
}

void StartupStateTest::scrollBars()
{
    QFETCH(int, index);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, position);
    FreshForm form;
    QScrollBar* const bars[] = {form->ScrollBar1, form->ScrollBar2, form->ScrollBar3, form->ScrollBar4};
    QScrollBar* bar = bars[index];
    QCOMPARE(bar->orientation(), Qt::Horizontal);
    QCOMPARE(bar->minimum(), minimum);
    QCOMPARE(bar->maximum(), maximum);
    QCOMPARE(bar->value(), position);
    QCOMPARE(bar->singleStep(), 1);
    QCOMPARE(bar->pageStep(), 1);
}

void StartupStateTest::progressBarsAreEmpty()
{
    FreshForm form;
    for (QProgressBar* bar : {form->ProgressBar1, form->ProgressBar2}) {
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), 100);
        QCOMPARE(bar->value(), 0);
        QVERIFY(!bar->isTextVisible());
    }
}

void StartupStateTest::imageAreasAreEmptyAndShowThePanel()
{
    FreshForm form;
    const ImageArea* const images[] = {form->Image1, form->Image2, form->Image3, form->Image4,
                                       form->Image5, form->Image6, form->Image7, form->Image8,
                                       form->Image9, form->Image10, form->Image11};
    for (const ImageArea* image : images)
        QVERIFY2(!image->canvas().hasBitmap(), qPrintable(image->objectName()));

    // The middle of Image2 shows the plot area's colour, that of Image1 the
    // face colour of the quality panel.
    const QImage plotArea = form->Panel5->grab().toImage();
    QCOMPARE(plotArea.pixelColor(8 + 76, 48 + 64), windowColour(clMenuBar));
    const QImage qualityPanel = form->Panel2->grab().toImage();
    QCOMPARE(qualityPanel.pixelColor(8 + 112, 48 + 144), windowColour(clBtnFace));
}

void StartupStateTest::captions()
{
    FreshForm form;
    QCOMPARE(form->Button1->text(), QStringLiteral(" EVOLUTION"));
    QCOMPARE(form->Button2->text(), QStringLiteral("GRA ?"));
    QCOMPARE(form->Button3->text(), QStringLiteral("Save Option"));
    QCOMPARE(form->BitBtn1->text(), QStringLiteral("&Schließen"));
    QVERIFY(!form->BitBtn1->icon().isNull());
    QCOMPARE(form->Label1->text(), QStringLiteral("GENERATIONEN"));
    QCOMPARE(form->Label2->text(), QStringLiteral("MUTANTEN"));
    QCOMPARE(form->Label3->text(), QStringLiteral("SCHRITTWEITE"));
    QCOMPARE(form->Label4->text(), QStringLiteral("DIMENSION"));
}

void StartupStateTest::panelCaptions_data()
{
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("caption");
    const std::pair<const char*, const char*> panels[] = {
        {"Panel1", ""},
        {"Panel2", ""},
        {"Panel3", ""},
        {"Panel5", ""},
        {"Panel6", "Globales Diffusionsgesetz"},
        {"Panel7", "Spektrum  Diff.Charakteristiken"},
        {"Panel8", "EVAL Qualitätsfunktion"},
        {"Panel10", "START Vector"},
        {"Panel11", "RECENT Vector"},
        {"Panel12", "TARGET Vector"}};
    for (const auto& [name, caption] : panels)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption);
}

void StartupStateTest::panelCaptions()
{
    QFETCH(QString, panel);
    QFETCH(QString, caption);
    FreshForm form;
    const auto* found = form->findChild<Panel*>(panel);
    QVERIFY(found != nullptr);
    QCOMPARE(found->caption(), caption);
}

void StartupStateTest::titleBar()
{
    FreshForm form;
    const QString title = form->Panel4->caption();
    QCOMPARE(title.size(), 105 + 78);
    QCOMPARE(title.left(105), QString(105, QLatin1Char(' ')));
    QCOMPARE(title.mid(105),
             QStringLiteral("Experimentierplattform       Z A R U D I V       für QX++ Genesetransformation"));
    QCOMPARE(QFontInfo(form->Panel4->font()).family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(form->Panel4->font().pixelSize(), 11);
}

void StartupStateTest::globalsStartAtZero()
{
    FreshForm form;
    QCOMPARE(maxGenerationen, 0);
    QCOMPARE(maxMutanten, 0);
    QVERIFY(StartSchrittweite == 0.0L);
    QCOMPARE(Dimension, 0);
    QCOMPARE(saveOption, std::uint8_t{0});
    QVERIFY(saveFileName.empty());
}

void StartupStateTest::userInformationList()
{
    // The list as the user reads it, line for line, blanks included.
    const QStringList expected = {
        QStringLiteral("So führen ein Optimierungs-"),
        QStringLiteral("Experiment durch: "),
        QString(),
        QStringLiteral("1. wählen Sie mit \"GRA\""),
        QStringLiteral("   >> graphische Ausgabe >"),
        QStringLiteral("    ein neues Diagramm"),
        QString(),
        QStringLiteral("2. Funktionen-Typ wählen"),
        QStringLiteral("   >> Qualitätsfunktion >"),
        QString(),
        QStringLiteral("3. Anzahl der \"Generationen\""),
        QString(),
        QStringLiteral("4. Anzahl der \"Mutanten\""),
        QString(),
        QStringLiteral("5. Schrittweite der Variation"),
        QStringLiteral("    in [ppm]"),
        QString(),
        QStringLiteral("6. Dimension des Problems"),
        QStringLiteral("    >> Anzahl der Variablen >"),
        QString(),
        QString(),
        QStringLiteral("STARTEN einer Kampagne:"),
        QString(),
        QStringLiteral("Sie haben zwei Optionen:"),
        QString(),
        QStringLiteral("   1.    EVOLUTIONS-"),
        QStringLiteral("          Strategie  "),
        QStringLiteral("     hier: ( 1+ L) Strategie"),
        QString(),
        QStringLiteral("   2.    Phylogenetischer"),
        QStringLiteral("          Algorithmus"),
        QString(),
        QString(),
        QStringLiteral("Hinweis:"),
        QStringLiteral("Beginnen Sie mit"),
        QStringLiteral(" kleinen Kampagnen."),
        QStringLiteral(" "),
        QStringLiteral("  DIM < 10 "),
        QStringLiteral("  GENERATION < 200"),
        QStringLiteral("  MUTANTEN < 10"),
        QStringLiteral("  Schrittweite ca. 5000ppm"),
        QString(),
        QStringLiteral("Viel Spass ..."),
    };
    QCOMPARE(expected.size(), 43);

    FreshForm form;
    QComboBox* box = form->ComboBox1;
    QVERIFY(box->isEditable());
    QCOMPARE(box->currentText(), QStringLiteral("  Benutzerinformation"));
    QCOMPARE(box->count(), 43);
    for (int i = 0; i < 43; ++i)
        QCOMPARE(box->itemText(i), expected.at(i));
}

void StartupStateTest::fileNameList()
{
    FreshForm form;
    QComboBox* box = form->ComboBox2;
    QVERIFY(box->isEditable());
    QCOMPARE(box->currentText(), QStringLiteral("D:/QX_000_000.doc"));
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(0), QStringLiteral("C:/QX_000_000.doc"));
    QCOMPARE(box->itemText(1), QStringLiteral("D:/QX_000_000:doc"));
    QCOMPARE(box->palette().color(QPalette::Base), windowColour(clMenuBar));
}

void StartupStateTest::windowLook()
{
    FreshForm form;
    QCOMPARE(form->windowTitle(), QStringLiteral("Form1"));
    QCOMPARE(form->size(), QSize(953, 552));
    QCOMPARE(form->pos(), QPoint(0, 0));
    QCOMPARE(Form1, &*form);
    QCOMPARE(form->style()->name().toLower(), QStringLiteral("fusion"));
    QCOMPARE(QFontInfo(form->font()).family(), QStringLiteral("Tahoma"));
    QCOMPARE(form->font().pixelSize(), 11);
    QCOMPARE(form->palette().color(QPalette::Window), windowColour(clBtnFace));
    QCOMPARE(form->Panel5->palette().color(QPalette::Window), windowColour(clMenuBar));
    QVERIFY(form->Panel5->autoFillBackground());
}

int runStartupStateTest(int argc, char* argv[])
{
    StartupStateTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

#include "startupstatetest.moc"
