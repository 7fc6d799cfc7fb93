#include "AboutDialog.h"

#include "DonationAddress.h"
#include "SettingsStore.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

static void initResources()
{
    Q_INIT_RESOURCE(about);
}

namespace about {

const QColor AboutDialog::kLinkColor{0, 0, 255};
const QColor AboutDialog::kLinkHoverColor{255, 0, 0};

namespace {

// The window's design, in twips.
constexpr int kInnerWidth = 5415;
constexpr int kInnerHeight = 6015;

int pixels(int twips, qreal dpi)
{
    return qRound(twips * dpi / 1440.0);
}

QFont tahoma(qreal points, bool bold = false)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    initResources();
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About"));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setFixedSize(pixels(kInnerWidth, logicalDpiX()), pixels(kInnerHeight, logicalDpiY()));
    // The background's own moves turn the link blue again.
    setMouseTracking(true);

    m_logoLabel = addLabel("logoLabel", QString(), 720, 646, 1860, 1800);
    m_logoLabel->setPixmap(QPixmap(QStringLiteral(":/about/logo.png")));

    m_titleLabel = addLabel("titleLabel", QStringLiteral("Quorvel"), 2640, 960, 2640, 700);
    m_titleLabel->setFont(tahoma(26.25, true));
    QPalette black = m_titleLabel->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    m_titleLabel->setPalette(black);
    m_softwareHouseLabel = addLabel("softwareHouseLabel", QStringLiteral("The Quorvel Project"),
                                    2700, 1680, 2580, 255);
    QPalette grey = m_softwareHouseLabel->palette();
    grey.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    m_softwareHouseLabel->setPalette(grey);

    m_versionLabel =
        addLabel("versionLabel", QStringLiteral("Version: 1.2.0"), 600, 3000, 4455, 255);
    m_descriptionLabel =
        addLabel("descriptionLabel", QStringLiteral("Software that show your Internet IP address"),
                 600, 3360, 4455, 255);

    m_homePage = settings::SettingsStore().homePage();
    m_urlLabel = addLabel("urlLabel", m_homePage, 600, 3840, 1845, 195);
    QFont link = tahoma(8.25);
    link.setUnderline(true);
    m_urlLabel->setFont(link);
    m_urlLabel->setCursor(Qt::PointingHandCursor);
    setLinkColor(kLinkColor);

    m_donateLabel = addLabel("donateLabel", QString(), 3885, 3720, 930, 465);
    m_donateLabel->setPixmap(QPixmap(QStringLiteral(":/about/donate.png")));
    m_donateLabel->setToolTip(
        QStringLiteral("Click here to make a donation with PayPal, Thanks ;-)"));
    m_donateLabel->setCursor(Qt::PointingHandCursor);

    m_disclaimerLabel = addLabel(
        "disclaimerLabel",
        QStringLiteral("THIS SOFTWARE IS DISTRIBUTED \"AS IS\", WITH NO WARRANTY EXPRESSED OR "
                       "IMPLIED. YOU USE IT AT YOUR OWN RISK. THE AUTHOR WILL NOT BE LIABLE FOR "
                       "DATA LOSS, DAMAGES, LOSS OF PROFITS OR ANY OTHER KIND OF LOSS WHILE "
                       "USING OR MISUSING THIS SOFTWARE."),
        600, 4320, 4455, 735);
    QFont small(QStringLiteral("Small Fonts"));
    small.setPointSizeF(6.75);
    m_disclaimerLabel->setFont(small);
    m_disclaimerLabel->setWordWrap(true);
    m_disclaimerLabel->resize(m_disclaimerLabel->width(),
                              qMax(m_disclaimerLabel->height(),
                                   m_disclaimerLabel->heightForWidth(m_disclaimerLabel->width())));

    m_copyrightLabel =
        addLabel("copyrightLabel", QStringLiteral("Copyright \u00a9 2024 The Quorvel authors"), 600,
                 5130, 3000, 195);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    const qreal dx = logicalDpiX(), dy = logicalDpiY();
    m_okButton->setGeometry(pixels(3720, dx), pixels(5400, dy), pixels(1260, dx), pixels(345, dy));
    // Enter presses it as the default button; Escape closes the dialog the
    // same way, as its cancel button would.
    m_okButton->setDefault(true);
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    for (QLabel *clickable : {m_urlLabel, m_donateLabel})
        clickable->installEventFilter(this);
}

QLabel *AboutDialog::addLabel(const char *name, const QString &text, int left, int top, int width,
                              int height)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    if (!text.isEmpty())
        label->setFont(tahoma(8.25));
    const qreal dx = logicalDpiX(), dy = logicalDpiY();
    // As designed, or as large as the text needs where the fonts here
    // are wider than the design's.
    label->setGeometry(pixels(left, dx), pixels(top, dy),
                       qMax(pixels(width, dx), label->sizeHint().width()),
                       qMax(pixels(height, dy), label->sizeHint().height()));
    return label;
}

void AboutDialog::setLinkColor(const QColor &color)
{
    QPalette p = m_urlLabel->palette();
    p.setColor(QPalette::WindowText, color);
    m_urlLabel->setPalette(p);
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_urlLabel && event->type() == QEvent::Enter)
        setLinkColor(kLinkHoverColor);
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // A browser that cannot be started is not reported; the window
        // stays as it is.
        if (watched == m_urlLabel)
            QDesktopServices::openUrl(QUrl(m_homePage));
        else if (watched == m_donateLabel)
            QDesktopServices::openUrl(QUrl(donationAddress()));
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::mouseMoveEvent(QMouseEvent *event)
{
    // Only moves over the bare background get here: the labels and the
    // button do not track the mouse, and Qt drops their moves instead of
    // passing them on.
    setLinkColor(kLinkColor);
    QDialog::mouseMoveEvent(event);
}

} // namespace about
