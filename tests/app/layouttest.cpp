#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <vector>

#include "app/imagearea.h"
#include "app/panel.h"
#include "tests/app/apptests.h"
#include "tests/app/formfixture.h"

namespace zarudiv {

namespace {

struct Placement {
    const char* control;
    const char* panel;
    QRect geometry;  // relative to the panel
};

// The window's layout, control by control.
const std::vector<Placement>& layout()
{
    static const std::vector<Placement> placements = {
        {"Label1", "Panel1", {8, 8, 78, 13}},
        {"Label2", "Panel1", {8, 32, 54, 13}},
        {"Label3", "Panel1", {8, 56, 75, 13}},
        {"Label4", "Panel1", {8, 80, 57, 13}},
        {"ScrollBar1", "Panel1", {104, 8, 217, 17}},
        {"ScrollBar2", "Panel1", {104, 32, 105, 17}},
        {"ScrollBar3", "Panel1", {104, 56, 217, 17}},
        {"ScrollBar4", "Panel1", {104, 80, 217, 17}},
        {"ProgressBar1", "Panel1", {472, 8, 193, 17}},
        {"ProgressBar2", "Panel1", {216, 32, 105, 17}},
        {"Edit1", "Panel1", {336, 8, 129, 21}},
        {"Edit2", "Panel1", {336, 32, 129, 21}},
        {"Edit3", "Panel1", {336, 56, 329, 21}},
        {"Edit4", "Panel1", {672, 8, 129, 21}},
        {"Edit5", "Panel1", {672, 32, 129, 21}},
        {"Edit6", "Panel1", {672, 56, 129, 21}},
        {"Edit7", "Panel1", {472, 32, 193, 21}},
        {"Edit8", "Panel1", {512, 80, 153, 21}},
        {"Edit9", "Panel1", {336, 80, 169, 21}},
        {"Edit10", "Panel1", {672, 80, 129, 21}},
        {"ComboBox1", "Panel1", {816, 8, 129, 21}},
        {"Button3", "Panel1", {816, 32, 129, 17}},
        {"ComboBox2", "Panel1", {816, 48, 129, 21}},
        {"BitBtn1", "Panel1", {816, 72, 129, 33}},
        {"Panel8", "Panel2", {8, 8, 225, 33}},
        {"Image1", "Panel2", {8, 48, 225, 289}},
        {"Button2", "Panel2", {8, 344, 97, 41}},
        {"Button1", "Panel2", {112, 344, 121, 41}},
        {"Image6", "Panel2", {8, 352, 40, 16}},
        {"Image5", "Panel2", {56, 352, 40, 16}},
        {"Image11", "Panel2", {104, 352, 40, 16}},
        {"Panel6", "Panel5", {8, 8, 313, 33}},
        {"Panel7", "Panel5", {336, 8, 345, 33}},
        {"Image2", "Panel5", {8, 48, 153, 129}},
        {"Image7", "Panel5", {168, 48, 153, 129}},
        {"Image4", "Panel5", {336, 48, 169, 129}},
        {"Image3", "Panel5", {512, 48, 169, 129}},
        {"Panel10", "Panel5", {8, 184, 217, 33}},
        {"Panel11", "Panel5", {232, 184, 217, 33}},
        {"Panel12", "Panel5", {456, 184, 225, 33}},
        {"Image9", "Panel5", {8, 224, 217, 153}},
        {"Image10", "Panel5", {232, 224, 217, 153}},
        {"Image8", "Panel5", {456, 224, 225, 153}},
    };
    return placements;
}

void verifyControlsInPlace(TForm1& form)
{
    for (const Placement& placement : layout()) {
        const auto* control = form.findChild<QWidget*>(QLatin1String(placement.control));
        QVERIFY2(control != nullptr, placement.control);
        QCOMPARE(control->parentWidget()->objectName(), QLatin1String(placement.panel));
        QVERIFY2(control->geometry() == placement.geometry, placement.control);
    }
}

}  // namespace

// Where everything sits, before and after the window is resized.
class LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAtTheirPlaces();
    void panels_data();
    void panels();
    void labelsAreNotCutOff();
    void imageAreasLieBeneathTheButtons();
    void tabOrder();
    void closeButtonEndsTheProgramWithoutAsking();
};

void LayoutTest::controlsAtTheirPlaces()
{
    FreshForm form;
    verifyControlsInPlace(*form);
    QCOMPARE(form->Image1->canvas().width(), 225);
    QCOMPARE(form->Image1->canvas().height(), 289);
    QCOMPARE(form->Image8->canvas().width(), 225);
    QCOMPARE(form->Image8->canvas().height(), 153);
}

void LayoutTest::panels_data()
{
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QRect>("top");
    QTest::addColumn<QRect>("bottom");
    QTest::addColumn<QRect>("left");
    QTest::addColumn<QRect>("right");
    QTest::addColumn<QRect>("plotArea");

    QTest::newRow("as laid out") << QSize(953, 552) << QRect(0, 0, 953, 25) << QRect(0, 416, 953, 136)
                                 << QRect(0, 25, 17, 391) << QRect(712, 25, 241, 391)
                                 << QRect(17, 25, 695, 391);
    // 247 wider, 248 higher: only the plot area grows both ways.
    QTest::newRow("enlarged") << QSize(1200, 800) << QRect(0, 0, 1200, 25) << QRect(0, 664, 1200, 136)
                              << QRect(0, 25, 17, 639) << QRect(959, 25, 241, 639)
                              << QRect(17, 25, 942, 639);
}

void LayoutTest::panels()
{
    QFETCH(QSize, client);
    QFETCH(QRect, top);
    QFETCH(QRect, bottom);
    QFETCH(QRect, left);
    QFETCH(QRect, right);
    QFETCH(QRect, plotArea);
    FreshForm form;
    form->resize(client);
    QTRY_COMPARE(form->Panel4->geometry(), top);
    QCOMPARE(form->Panel1->geometry(), bottom);
    QCOMPARE(form->Panel3->geometry(), left);
    QCOMPARE(form->Panel2->geometry(), right);
    QCOMPARE(form->Panel5->geometry(), plotArea);
    verifyControlsInPlace(*form);
}

void LayoutTest::labelsAreNotCutOff()
{
    FreshForm form;
    for (QLabel* label : {form->Label1, form->Label2, form->Label3, form->Label4}) {
        const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
        QVERIFY2(textWidth <= label->width(),
                 qPrintable(QStringLiteral("%1: %2 > %3").arg(label->text()).arg(textWidth).arg(label->width())));
        QVERIFY(label->fontMetrics().height() <= label->height());
    }
}

void LayoutTest::imageAreasLieBeneathTheButtons()
{
    FreshForm form;
    // (20, 360) on the quality panel lies on Image6 and on Button2, (120, 360)
    // on Image11 and Button1: the buttons are what the user sees and clicks.
    QCOMPARE(form->Panel2->childAt(20, 360), form->Button2);
    QCOMPARE(form->Panel2->childAt(120, 360), form->Button1);
}

void LayoutTest::tabOrder()
{
    FreshForm form;
    const QWidget* const expected[] = {
        form->BitBtn1, form->ScrollBar1, form->ScrollBar2, form->ScrollBar3, form->Edit1,
        form->Edit2,   form->Edit3,      form->Edit4,      form->Edit5,      form->Edit6,
        form->Edit7,   form->Edit8,      form->Edit9,      form->ScrollBar4, form->Edit10,
        form->ComboBox1, form->ComboBox2, form->Button3,   form->Button2,    form->Button1};

    // The focus chain from the close button round to it again, counting only
    // what Tab can reach.
    std::vector<const QWidget*> reached;
    const QWidget* w = form->BitBtn1;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->focusProxy() == nullptr && w->isVisibleTo(&*form))
            reached.push_back(w);
        w = w->nextInFocusChain();
    } while (w != form->BitBtn1 && reached.size() <= std::size(expected));

    QCOMPARE(reached.size(), std::size(expected));
    for (std::size_t i = 0; i < reached.size(); ++i)
        QVERIFY2(reached[i] == expected[i], qPrintable(reached[i]->objectName()));
}

void LayoutTest::closeButtonEndsTheProgramWithoutAsking()
{
    FreshForm form;
    QVERIFY(form->testAttribute(Qt::WA_QuitOnClose));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QVERIFY(!form->isVisible());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

int runLayoutTest(int argc, char* argv[])
{
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zarudiv

#include "layouttest.moc"
