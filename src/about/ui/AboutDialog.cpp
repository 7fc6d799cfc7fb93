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

    const QFont text = tahoma(8.25);
    m_logoLabel = addLabel("logoLabel", QString(), {720, 646, 1860, 1800}, text);
    m_logoLabel->setPixmap(QPixmap(QStringLiteral(":/about/logo.png")));

    m_titleLabel = addLabel("titleLabel", QStringLiteral("Quorvel"), {2640, 960, 2640, 700},
                            tahoma(26.25, true));
    QPalette black = m_titleLabel->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    m_titleLabel->setPalette(black);
    m_softwareHouseLabel = addLabel("softwareHouseLabel", QStringLiteral("The Quorvel Project"),
                                    {2700, 1680, 2580, 255}, text);
    QPalette grey = m_softwareHouseLabel->palette();
    grey.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    m_softwareHouseLabel->setPalette(grey);

    m_versionLabel =
        addLabel("versionLabel", QStringLiteral("Version: 1.2.0"), {600, 3000, 4455, 255}, text);
    m_descriptionLabel =
        addLabel("descriptionLabel", QStringLiteral("Software that show your Internet IP address"),
                 {600, 3360, 4455, 255}, text);

    m_homePage = settings::SettingsStore().homePage();
    QFont link = text;
    link.setUnderline(true);
    m_urlLabel = addLabel("urlLabel", m_homePage, {600, 3840, 1845, 195}, link);
    m_urlLabel->setCursor(Qt::PointingHandCursor);
    setLinkColor(kLinkColor);

    m_donateLabel = addLabel("donateLabel", QString(), {3885, 3720, 930, 465}, text);
    m_donateLabel->setPixmap(QPixmap(QStringLiteral(":/about/donate.png")));
    m_donateLabel->setToolTip(
        QStringLiteral("Click here to make a donation with PayPal, Thanks ;-)"));
    m_donateLabel->setCursor(Qt::PointingHandCursor);

    QFont small(QStringLiteral("Small Fonts"));
    small.setPointSizeF(6.75);
    m_disclaimerLabel = addLabel(
        "disclaimerLabel",
        QStringLiteral("THIS SOFTWARE IS DISTRIBUTED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, "
                       "EXPRESSED OR IMPLIED. YOU USE IT AT YOUR OWN RISK. THE AUTHOR IS NOT "
                       "LIABLE FOR DATA LOSS, DAMAGES, LOSS OF PROFITS OR ANY OTHER LOSS FROM "
                       "USING OR MISUSING IT."),
        {600, 4320, 4455, 735}, small, true);

    m_copyrightLabel = addLabel("copyrightLabel", QStringLiteral("Copyright \u00a9 2024 Quorvel"),
                                {600, 5460, 2400, 195}, text);

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

QLabel *AboutDialog::addLabel(const char *name, const QString &text, const QRect &twips,
                              const QFont &font, bool wrap)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setWordWrap(wrap);
    const qreal dx = logicalDpiX(), dy = logicalDpiY();
    // As designed, or as large as the text needs where the fonts here are
    // larger than the design's: one line grows wider, wrapped text taller.
    const int width = pixels(twips.width(), dx);
    const int needed = wrap ? label->heightForWidth(width) : label->sizeHint().height();
    label->setGeometry(pixels(twips.left(), dx), pixels(twips.top(), dy),
                       wrap ? width : qMax(width, label->sizeHint().width()),
                       qMax(pixels(twips.height(), dy), needed));
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
