#pragma once
// A freshly started window for every test: the command globals back at their
// program-start values, then the form built and shown on the offscreen screen.

#include <QDir>
#include <QTemporaryDir>
#include <memory>

#include "app/tform1.h"

namespace zarudiv {

void resetCommandGlobals();

class FreshForm {
public:
    FreshForm();
    ~FreshForm();
    FreshForm(const FreshForm&) = delete;
    FreshForm& operator=(const FreshForm&) = delete;

    TForm1& operator*() { return *form_; }
    TForm1* operator->() { return form_.get(); }

private:
    std::unique_ptr<TForm1> form_;
};

// Runs the test in an empty working directory of its own: the protocol file
// name is relative to it.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    bool isValid() const { return dir_.isValid(); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// Records the paint events a widget receives, that is what reached the
// screen, and for an edit field the text it showed each time.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* widget);
    int count() const { return static_cast<int>(texts_.size()); }
    const QStringList& texts() const { return texts_; }
    void clear() { texts_.clear(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList texts_;
};

// Lets the event loop run until the window's campaign has ended (two minutes
// at most).
void waitForCampaign(TForm1& form);

// The whole content of a file, or an empty array when it cannot be read.
QByteArray fileBytes(const QString& path);

}  // namespace zarudiv
