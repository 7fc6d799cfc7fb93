#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace about {

// The about box: the program's name, version and description, a warranty
// disclaimer, a link to the home page and a donation button. The link
// turns red under the mouse and blue again once the mouse is back over the
// window's own background (not over another control).
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    static const QColor kLinkColor;
    static const QColor kLinkHoverColor;

    explicit AboutDialog(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // A label at the designed place and size (in twips).
    QLabel *addLabel(const char *name, const QString &text, const QRect &twips, const QFont &font,
                     bool wrap = false);
    void setLinkColor(const QColor &color);

    QLabel *m_logoLabel = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_descriptionLabel = nullptr;
    QLabel *m_urlLabel = nullptr;
    QLabel *m_disclaimerLabel = nullptr;
    QLabel *m_copyrightLabel = nullptr;
    QLabel *m_softwareHouseLabel = nullptr;
    QLabel *m_donateLabel = nullptr;
    QPushButton *m_okButton = nullptr;
    QString m_homePage;
};

} // namespace about
