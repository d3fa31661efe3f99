#include "app/tform1.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "app/campaignsession.h"
#include "app/desktopscrollbar.h"
#include "app/fixeditemheight.h"
#include "app/imagearea.h"
#include "app/panel.h"
#include "app/userinformation.h"
#include "app/windowcolours.h"
#include "app/windowfonts.h"
#include "app/windowroles.h"

namespace zarudiv {

TForm1* Form1 = nullptr;

namespace {

// Client size of the window as laid out, and the fixed sizes of the aligned panels.
constexpr int kClientWidth = 953;
constexpr int kClientHeight = 552;
constexpr int kTitleHeight = 25;
constexpr int kBottomHeight = 136;
constexpr int kLeftWidth = 17;
constexpr int kRightWidth = 241;

constexpr int kListItemHeight = 13;
constexpr int kDropDownCount = 8;

template <typename Control>
Control* place(Control* control, int left, int top, int width, int height)
{
    control->setGeometry(left, top, width, height);
    return control;
}

QLabel* makeLabel(QWidget* parent, const char* caption, int left, int top, int width, int height)
{
    auto* label = place(new QLabel(QString::fromUtf8(caption), parent), left, top, width, height);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// Small and large change 1. Qt's page step is both the large change and the
// thumb's share of the track; with one step per click the thumb stays at its
// smallest, as with a page size of 0.
QScrollBar* makeScrollBar(QWidget* parent, int minimum, int maximum, int position, int left,
                          int top, int width, int height)
{
    auto* bar = place(new DesktopScrollBar(Qt::Horizontal, parent), left, top, width, height);
    bar->setRange(minimum, maximum);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    bar->setValue(position);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

QProgressBar* makeProgressBar(QWidget* parent, int left, int top, int width, int height)
{
    auto* bar = place(new QProgressBar(parent), left, top, width, height);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

QLineEdit* makeEdit(QWidget* parent, const char* text, int left, int top, int width, int height)
{
    return place(new QLineEdit(QString::fromUtf8(text), parent), left, top, width, height);
}

QPushButton* makeButton(QWidget* parent, const char* caption, int left, int top, int width,
                        int height)
{
    return place(new QPushButton(QString::fromUtf8(caption), parent), left, top, width, height);
}

// An editable drop-down whose edit text is not one of its entries.
QComboBox* makeComboBox(QWidget* parent, const QStringList& entries, const char* text, int left,
                        int top, int width, int height)
{
    auto* box = place(new QComboBox(parent), left, top, width, height);
    box->setEditable(true);
    // What the user types stays in the edit field; the list never changes.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(kDropDownCount);
    box->setItemDelegate(new FixedItemHeight(kListItemHeight, box));
    box->addItems(entries);
    box->setCurrentIndex(-1);
    box->setEditText(QString::fromUtf8(text));
    return box;
}

Panel* makePanel(QWidget* parent, const char* caption, int left, int top, int width, int height)
{
    return place(new Panel(parent, QString::fromUtf8(caption)), left, top, width, height);
}

ImageArea* makeImage(QWidget* parent, int left, int top, int width, int height)
{
    auto* image = new ImageArea(parent, width, height);
    image->move(left, top);
    // Image areas are drawn beneath every other control of their panel.
    image->lower();
    return image;
}

void fillWith(QWidget* widget, unsigned colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, windowColour(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QString titleText()
{
    return QString(105, QLatin1Char(' ')) + QStringLiteral("Experimentierplattform") +
           QString(7, QLatin1Char(' ')) + QStringLiteral("Z A R U D I V") +
           QString(7, QLatin1Char(' ')) + QStringLiteral("für QX++ Genesetransformation");
}

// The look must not depend on the desktop the program happens to run on.
void pinFusionStyle()
{
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    Form1 = this;
    pinFusionStyle();

    setWindowTitle(QStringLiteral("Form1"));
    setFont(formFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, windowColour(clBtnFace));
    palette.setColor(QPalette::Button, windowColour(clBtnFace));
    palette.setColor(QPalette::WindowText, windowColour(clWindowText));
    palette.setColor(QPalette::ButtonText, windowColour(clWindowText));
    setPalette(palette);
    setAutoFillBackground(true);

    createPanels();
    createBottomBar();
    createQualityPanel();
    createPlotArea();
    nameControls();
    arrangeTabOrder();
    roles_ = BindWindowRoles(*this);
    for (PlotRole role : kPlotRoles)
        pictures_.attach(role, &roles_.image(role)->canvas());
    session_ = new CampaignSession;
    connect(session_, &CampaignSession::frameReady, this, &TForm1::applyFrame);
    connect(session_, &CampaignSession::finished, this, &TForm1::campaignFinished);
    guardCommandsDuringCampaigns();
    fitUserInformationList();

    // Only now, with every position set, do changes reach the handlers: no
    // parameter is taken from the scroll bars until the user moves one.
    connectHandlers();

    resize(kClientWidth, kClientHeight);
    move(0, 0);
    layOutPanels();
    BitBtn1->setFocus();
}

TForm1::~TForm1()
{
    // A campaign still running is stopped before the controls it draws on go.
    delete session_;
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::createPanels()
{
    Panel1 = new Panel(this);
    Panel2 = new Panel(this);
    Panel3 = new Panel(this);
    Panel4 = new Panel(this, titleText());
    Panel4->setFont(titleFont());
    Panel5 = new Panel(this);
    fillWith(Panel5, clMenuBar);
}

void TForm1::createBottomBar()
{
    Panel* p = Panel1;
    Label1 = makeLabel(p, "GENERATIONEN", 8, 8, 78, 13);
    Label2 = makeLabel(p, "MUTANTEN", 8, 32, 54, 13);
    Label3 = makeLabel(p, "SCHRITTWEITE", 8, 56, 75, 13);
    Label4 = makeLabel(p, "DIMENSION", 8, 80, 57, 13);

    ScrollBar1 = makeScrollBar(p, 1, 10000, 10, 104, 8, 217, 17);
    ScrollBar2 = makeScrollBar(p, 1, 100, 1, 104, 32, 105, 17);
    ScrollBar3 = makeScrollBar(p, 1, 1000, 100, 104, 56, 217, 17);
    ScrollBar4 = makeScrollBar(p, 1, 50, 20, 104, 80, 217, 17);

    ProgressBar1 = makeProgressBar(p, 472, 8, 193, 17);
    ProgressBar2 = makeProgressBar(p, 216, 32, 105, 17);

    Edit1 = makeEdit(p, "Edit1", 336, 8, 129, 21);
    Edit2 = makeEdit(p, "Edit2", 336, 32, 129, 21);
    Edit3 = makeEdit(p, "Edit3", 336, 56, 329, 21);
    Edit4 = makeEdit(p, "Edit4", 672, 8, 129, 21);
    Edit5 = makeEdit(p, "Edit5", 672, 32, 129, 21);
    Edit6 = makeEdit(p, "Edit6", 672, 56, 129, 21);
    Edit7 = makeEdit(p, "", 472, 32, 193, 21);
    Edit8 = makeEdit(p, "Edit8", 512, 80, 153, 21);
    Edit9 = makeEdit(p, "", 336, 80, 169, 21);
    Edit10 = makeEdit(p, "Edit10", 672, 80, 129, 21);

    ComboBox1 = makeComboBox(p, userInformationLines(), "  Benutzerinformation", 816, 8, 129, 21);
    Button3 = makeButton(p, "Save Option", 816, 32, 129, 17);
    ComboBox2 = makeComboBox(p, {QStringLiteral("C:/QX_000_000.doc"), QStringLiteral("D:/QX_000_000:doc")},
                             "D:/QX_000_000.doc", 816, 48, 129, 21);
    QPalette listPalette = ComboBox2->palette();
    listPalette.setColor(QPalette::Base, windowColour(clMenuBar));
    ComboBox2->setPalette(listPalette);
    ComboBox2->view()->setPalette(listPalette);

    BitBtn1 = makeButton(p, "&Schließen", 816, 72, 129, 33);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
}

void TForm1::createQualityPanel()
{
    Panel* p = Panel2;
    Panel8 = makePanel(p, "EVAL Qualitätsfunktion", 8, 8, 225, 33);
    Image1 = makeImage(p, 8, 48, 225, 289);
    Button2 = makeButton(p, "GRA ?", 8, 344, 97, 41);
    Button1 = makeButton(p, " EVOLUTION", 112, 344, 121, 41);
    Image6 = makeImage(p, 8, 352, 40, 16);
    Image5 = makeImage(p, 56, 352, 40, 16);
    Image11 = makeImage(p, 104, 352, 40, 16);
}

void TForm1::createPlotArea()
{
    Panel* p = Panel5;
    Panel6 = makePanel(p, "Globales Diffusionsgesetz", 8, 8, 313, 33);
    Panel7 = makePanel(p, "Spektrum  Diff.Charakteristiken", 336, 8, 345, 33);
    Image2 = makeImage(p, 8, 48, 153, 129);
    Image7 = makeImage(p, 168, 48, 153, 129);
    Image4 = makeImage(p, 336, 48, 169, 129);
    Image3 = makeImage(p, 512, 48, 169, 129);
    Panel10 = makePanel(p, "START Vector", 8, 184, 217, 33);
    Panel11 = makePanel(p, "RECENT Vector", 232, 184, 217, 33);
    Panel12 = makePanel(p, "TARGET Vector", 456, 184, 225, 33);
    Image9 = makeImage(p, 8, 224, 217, 153);
    Image10 = makeImage(p, 232, 224, 217, 153);
    Image8 = makeImage(p, 456, 224, 225, 153);
}

void TForm1::nameControls()
{
    const std::pair<QWidget*, const char*> controls[] = {
        {Panel1, "Panel1"},       {Panel2, "Panel2"},         {Panel3, "Panel3"},
        {Panel4, "Panel4"},       {Panel5, "Panel5"},         {BitBtn1, "BitBtn1"},
        {ScrollBar1, "ScrollBar1"}, {ScrollBar2, "ScrollBar2"}, {ScrollBar3, "ScrollBar3"},
        {ProgressBar1, "ProgressBar1"}, {ProgressBar2, "ProgressBar2"}, {Edit1, "Edit1"},
        {Edit2, "Edit2"},         {Edit3, "Edit3"},           {Edit4, "Edit4"},
        {Edit5, "Edit5"},         {Edit6, "Edit6"},           {Edit7, "Edit7"},
        {Edit8, "Edit8"},         {Button2, "Button2"},       {Edit9, "Edit9"},
        {ScrollBar4, "ScrollBar4"}, {Edit10, "Edit10"},       {Label1, "Label1"},
        {Label2, "Label2"},       {Label3, "Label3"},         {Label4, "Label4"},
        {Image2, "Image2"},       {Image3, "Image3"},         {Panel6, "Panel6"},
        {Panel7, "Panel7"},       {ComboBox1, "ComboBox1"},   {Image7, "Image7"},
        {Image8, "Image8"},       {Image9, "Image9"},         {Image1, "Image1"},
        {Panel8, "Panel8"},       {Image10, "Image10"},       {Image4, "Image4"},
        {Button1, "Button1"},     {Image5, "Image5"},         {Image6, "Image6"},
        {Image11, "Image11"},     {ComboBox2, "ComboBox2"},   {Panel10, "Panel10"},
        {Panel11, "Panel11"},     {Panel12, "Panel12"},       {Button3, "Button3"}};
    for (const auto& [control, name] : controls)
        control->setObjectName(QLatin1String(name));
}

// Tab goes through the panels in their order (bottom bar, quality panel; the
// others hold nothing that takes the focus) and within a panel in the order
// of its controls.
void TForm1::arrangeTabOrder()
{
    QWidget* const chain[] = {BitBtn1, ScrollBar1, ScrollBar2, ScrollBar3, Edit1,      Edit2,
                              Edit3,   Edit4,      Edit5,      Edit6,      Edit7,      Edit8,
                              Edit9,   ScrollBar4, Edit10,     ComboBox1,  ComboBox2,  Button3,
                              Button2, Button1};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void TForm1::connectHandlers()
{
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { ScrollBar1Change(ScrollBar1); });
    connect(ScrollBar2, &QScrollBar::valueChanged, this, [this] { ScrollBar2Change(ScrollBar2); });
    connect(ScrollBar3, &QScrollBar::valueChanged, this, [this] { ScrollBar3Change(ScrollBar3); });
    connect(ScrollBar4, &QScrollBar::valueChanged, this, [this] { ScrollBar4Change(ScrollBar4); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(Button2); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(Button3); });
    // The close button closes the main window, and with it the program.
    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOutPanels();
}

// Top and bottom take the full width, left and right the height between
// them, and the plot area whatever is left.
void TForm1::layOutPanels()
{
    const int w = width();
    const int h = height();
    const int middleTop = kTitleHeight;
    const int middleHeight = std::max(0, h - kTitleHeight - kBottomHeight);
    Panel4->setGeometry(0, 0, w, kTitleHeight);
    Panel1->setGeometry(0, std::max(kTitleHeight, h - kBottomHeight), w, kBottomHeight);
    Panel3->setGeometry(0, middleTop, kLeftWidth, middleHeight);
    Panel2->setGeometry(std::max(kLeftWidth, w - kRightWidth), middleTop, kRightWidth, middleHeight);
    Panel5->setGeometry(kLeftWidth, middleTop, std::max(0, w - kLeftWidth - kRightWidth), middleHeight);
}

// The drop-down list shows every line of the user information whole.
void TForm1::fitUserInformationList()
{
    QAbstractItemView* list = ComboBox1->view();
    list->setTextElideMode(Qt::ElideNone);
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (int i = 0; i < ComboBox1->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(ComboBox1->itemText(i)));
    // Room for the item's margins, the list's frame and its scroll bar.
    const int margins = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 8;
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setMinimumWidth(widest + margins + scrollBar + 2 * list->frameWidth());
}

// While a campaign runs, the scroll bars and the three commands take no input
// (and keep their look): nothing is queued for later. Esc stops the campaign.
void TForm1::guardCommandsDuringCampaigns()
{
    for (QWidget* control : std::initializer_list<QWidget*>{ScrollBar1, ScrollBar2, ScrollBar3,
                                                            ScrollBar4, Button1, Button2, Button3})
        control->installEventFilter(this);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (!session_->isRunning())
            return;
        stopByEscape_ = true;
        session_->requestStop();
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (session_ != nullptr && session_->isRunning()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Closing the window stops a running campaign first; the window closes when
// the campaign has ended, with its protocol cut after the last generation.
void TForm1::closeEvent(QCloseEvent* event)
{
    if (session_->isRunning()) {
        closeAfterCampaign_ = true;
        session_->requestStop();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TForm1::showFieldText(QLineEdit* field, const QString& text)
{
    field->setText(text);
    field->setCursorPosition(0);
}

}  // namespace zarudiv
