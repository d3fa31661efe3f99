#include "tests/app/formfixture.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "app/campaignsession.h"
#include "app/commandglobals.h"

namespace zarudiv {

void resetCommandGlobals()
{
    maxGenerationen = 0;
    maxMutanten = 0;
    StartSchrittweite = 0.0L;
    Dimension = 0;
    saveOption = 0;
    saveFileName.clear();
    bitBtn2Flag = 0;
    checkBox1Flag = 0;
}

FreshForm::FreshForm()
{
    resetCommandGlobals();
    form_ = std::make_unique<TForm1>();
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get()))
        qWarning("the window was not exposed");
}

FreshForm::~FreshForm() = default;

ScratchDirectory::ScratchDirectory() : previous_(QDir::currentPath())
{
    if (dir_.isValid())
        QDir::setCurrent(dir_.path());
}

ScratchDirectory::~ScratchDirectory() { QDir::setCurrent(previous_); }

PaintRecorder::PaintRecorder(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }

bool PaintRecorder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        const auto* edit = qobject_cast<const QLineEdit*>(watched);
        texts_ << (edit != nullptr ? edit->text() : QString());
    }
    return false;
}

void waitForCampaign(TForm1& form)
{
    QElapsedTimer waited;
    waited.start();
    while (form.campaign().isRunning() && waited.elapsed() < 120000)
        QTest::qWait(5);
    if (form.campaign().isRunning())
        qWarning("the campaign did not end within two minutes");
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

}  // namespace zarudiv
