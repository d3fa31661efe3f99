#pragma once
// A panel: a raised one-pixel bevel with its caption centred on it. Other
// controls sit on it at positions relative to its top-left corner.

#include <QFrame>
#include <QString>

namespace zarudiv {

class Panel : public QFrame {
    Q_OBJECT
public:
    explicit Panel(QWidget* parent = nullptr, const QString& caption = QString());

    QString caption() const { return caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
};

}  // namespace zarudiv
