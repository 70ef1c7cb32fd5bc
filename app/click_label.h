#pragma once
#include <QColor>
#include <QLabel>

namespace quilmo {

// A caption that acts as a button: thin single-line border, click on release
// inside it. A disabled one shows its caption dimmed and ignores clicks.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(const QString& caption, QWidget* parent = nullptr);

    void setColours(const QColor& text, const QColor& background);
    void setBackground(const QColor& background);
    QColor background() const { return background_; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyStyle();
    QColor text_{Qt::white};
    QColor background_{Qt::black};
    bool pressed_ = false;
};

}  // namespace quilmo
