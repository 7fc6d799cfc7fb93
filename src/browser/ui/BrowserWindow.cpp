#include "BrowserWindow.h"

#include "AddressHistory.h"
#include "BrowserCaption.h"
#include "BrowserLayout.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

// The toolbar's images live in this static library, whose resources are
// registered only on request (and from outside any namespace).
static void initBrowserResources()
{
    Q_INIT_RESOURCE(browser);
}

namespace browser {

namespace {

// The window's design, in twips.
constexpr int kInnerWidth = 7545;
constexpr int kInnerHeight = 5895;
constexpr int kToolBarHeight = 450;
constexpr int kPanelHeight = 555;
constexpr int kLabelLeft = 120, kLabelTop = 150, kLabelWidth = 1155;
constexpr int kBoxLeft = 1200, kBoxTop = 120, kBoxHeight = 315;
constexpr int kBoxGap = 150;
constexpr int kPageGapAbove = 75;
constexpr int kPageGapBelow = 100;
// Pixels between the label's text and the box, at least.
constexpr int kTextGap = 4;

// The busy indicator looks at the page this often while it runs.
constexpr int kBusyPollMs = 5;
// A navigation whose load has not begun by then (refused, or nothing to go
// back to) no longer counts as busy.
constexpr int kLoadStartTimeoutMs = 3000;

struct ToolbarButton
{
    const char *key;
    const char *icon;
    // The platform's usual key where it has one, else ours.
    QKeySequence::StandardKey standardKey;
    QKeyCombination ownKey;
};

constexpr ToolbarButton kToolbarButtons[] = {
    {"Back", "back", QKeySequence::Back, {}},
    {"Forward", "forward", QKeySequence::Forward, {}},
    {"Stop", "stop", QKeySequence::UnknownKey, Qt::Key_Escape},
    {"Refresh", "refresh", QKeySequence::Refresh, {}},
    {"Home", "home", QKeySequence::UnknownKey, Qt::ALT | Qt::Key_Home},
};

// The pages' own console messages mean nothing to the user; the engine
// would print them all on the program's error output.
class QuietPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                  const QString &) override
    {
    }
};

} // namespace

BrowserWindow::BrowserWindow(const BrowserAddresses &addresses, QWidget *parent)
    : QWidget(parent), m_addresses(addresses)
{
    initBrowserResources();
    setObjectName(QStringLiteral("browserWindow"));
    setWindowTitle(kBrowserCaption);
    // A tool window stays out of the task bar.
    setWindowFlag(Qt::Tool);
    resize(twipsToPixels(kInnerWidth, logicalDpiX()), twipsToPixels(kInnerHeight, logicalDpiY()));
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());

    buildToolBar();
    buildAddressPanel();

    // Off the record: nothing of the pages visited (cookies, cache,
    // history) is written to disk or outlives the window.
    m_profile = new QWebEngineProfile(this);
    m_webView = new QWebEngineView(this);
    m_webView->setObjectName(QStringLiteral("webView"));
    m_webView->setPage(new QuietPage(m_profile, m_webView));

    m_busyTimer = new QTimer(this);
    m_busyTimer->setObjectName(QStringLiteral("busyTimer"));
    m_busyTimer->setInterval(kBusyPollMs);
    m_loadStartTimer = new QTimer(this);
    m_loadStartTimer->setSingleShot(true);
    m_loadStartTimer->setInterval(kLoadStartTimeoutMs);

    connect(m_busyTimer, &QTimer::timeout, this, &BrowserWindow::updateBusyCaption);
    connect(m_loadStartTimer, &QTimer::timeout, this, [this] { m_awaitingLoad = false; });
    connect(m_webView, &QWebEngineView::loadStarted, this, [this] {
        m_awaitingLoad = false;
        m_loadStartTimer->stop();
    });
    connect(m_webView, &QWebEngineView::loadFinished, this, &BrowserWindow::onLoadFinished);
    connect(m_webView, &QWebEngineView::urlChanged, this, &BrowserWindow::onNavigated);
    arrangeControls();

    // Opens on the public-IP page, with the search site in the box as the
    // list's first entry; with no such page, on nothing.
    if (!m_addresses.startingAddress.isEmpty()) {
        m_addressComboBox->addItem(m_addresses.searchSite);
        m_addressComboBox->setEditText(m_addresses.searchSite);
        navigateToStart();
    }
}

BrowserWindow::~BrowserWindow()
{
    // The page must go before the profile it was made with.
    delete m_webView;
}

void BrowserWindow::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolbarButton &b : kToolbarButtons) {
        const QString key = QString::fromLatin1(b.key);
        auto *action = m_toolBar->addAction(
            QIcon(QStringLiteral(":/browser/%1.png").arg(QLatin1StringView(b.icon))), key);
        action->setObjectName(QString::fromLatin1(b.icon) + QStringLiteral("Action"));
        action->setData(key);
        action->setToolTip(key);
        action->setShortcut(b.standardKey != QKeySequence::UnknownKey ? QKeySequence(b.standardKey)
                                                                      : QKeySequence(b.ownKey));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, key] { runToolbarButton(key); });
    }
}

void BrowserWindow::buildAddressPanel()
{
    m_addressPanel = new QWidget(this);
    m_addressPanel->setObjectName(QStringLiteral("addressPanel"));
    m_addressLabel = new QLabel(QStringLiteral("&URL Address:"), m_addressPanel);
    m_addressLabel->setObjectName(QStringLiteral("addressLabel"));
    m_addressComboBox = new QComboBox(m_addressPanel);
    m_addressComboBox->setObjectName(QStringLiteral("addressComboBox"));
    m_addressComboBox->setEditable(true);
    // The list is the window's own history; Enter must not add to it, and
    // nothing may be completed behind the user's back.
    m_addressComboBox->setInsertPolicy(QComboBox::NoInsert);
    m_addressComboBox->setCompleter(nullptr);
    m_addressComboBox->setToolTip(
        QStringLiteral("Type the URL Address here for navigate anonymous and press Enter"));
    m_addressLabel->setBuddy(m_addressComboBox);
    // The box has the focus and hands keys to its line edit itself, past
    // any filter there: Enter is caught on the box.
    m_addressComboBox->installEventFilter(this);
    // A choice by the user, also of the entry already shown; the window's
    // own changes to the list are none.
    connect(m_addressComboBox, &QComboBox::activated, this, &BrowserWindow::chooseAddress);
}

void BrowserWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrangeControls();
}

void BrowserWindow::arrangeControls()
{
    const qreal dx = logicalDpiX(), dy = logicalDpiY();
    // Never shorter than the icons need, whatever the screen's density.
    const int toolBarHeight =
        qMax(twipsToPixels(kToolBarHeight, dy), m_toolBar->sizeHint().height());
    const int panelBottom = toolBarHeight + twipsToPixels(kPanelHeight, dy);
    m_toolBar->setGeometry(0, 0, width(), toolBarHeight);
    m_addressPanel->setGeometry(0, toolBarHeight, width(), panelBottom - toolBarHeight);
    // The box starts a little before the label's designed end, under its
    // unused part; a font that needs more room widens the label instead of
    // letting the box cover its text.
    const int labelLeft = twipsToPixels(kLabelLeft, dx);
    const int overlap = twipsToPixels(kLabelLeft + kLabelWidth - kBoxLeft, dx);
    const int labelWidth = qMax(twipsToPixels(kLabelWidth, dx),
                                m_addressLabel->sizeHint().width() + overlap + kTextGap);
    m_addressLabel->setGeometry(labelLeft, twipsToPixels(kLabelTop, dy), labelWidth,
                                m_addressLabel->sizeHint().height());

    const BrowserLayout l = arrangeBrowser(size(), labelWidth, twipsToPixels(kBoxGap, dx),
                                           panelBottom, twipsToPixels(kPageGapBelow, dy));
    const int boxHeight =
        qMax(twipsToPixels(kBoxHeight, dy), m_addressComboBox->sizeHint().height());
    m_addressComboBox->setGeometry(labelLeft + labelWidth - overlap, twipsToPixels(kBoxTop, dy),
                                   l.addressBoxWidth.value_or(m_addressComboBox->width()),
                                   boxHeight);
    m_webView->setGeometry(0, panelBottom + twipsToPixels(kPageGapAbove, dy),
                           l.pageWidth.value_or(m_webView->width()),
                           l.pageHeight.value_or(m_webView->height()));
}

bool BrowserWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_addressComboBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            chooseAddress();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void BrowserWindow::chooseAddress()
{
    navigate(m_addressComboBox->currentText());
}

void BrowserWindow::navigateToStart()
{
    if (!m_addresses.startingAddress.isEmpty())
        load(m_addresses.proxiedStart());
}

void BrowserWindow::bringForward()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void BrowserWindow::navigate(const QString &address)
{
    load(m_addresses.proxied(address));
}

void BrowserWindow::load(const QString &proxiedAddress)
{
    m_busyTimer->start();
    expectLoad();
    // QUrl keeps what is typed, including "&" and percent signs; only
    // characters no address may hold (blanks) are encoded on the way out.
    m_webView->load(QUrl(proxiedAddress));
}

void BrowserWindow::expectLoad()
{
    m_awaitingLoad = true;
    m_loadStartTimer->start();
}

bool BrowserWindow::isBusy() const
{
    return m_awaitingLoad || m_webView->page()->isLoading();
}

void BrowserWindow::runToolbarButton(const QString &key)
{
    m_busyTimer->start();
    QWebEngineHistory *history = m_webView->history();
    if (key == QLatin1StringView("Back")) {
        if (history->canGoBack())
            expectLoad();
        m_webView->back();
    } else if (key == QLatin1StringView("Forward")) {
        if (history->canGoForward())
            expectLoad();
        m_webView->forward();
    } else if (key == QLatin1StringView("Refresh")) {
        expectLoad();
        m_webView->reload();
    } else if (key == QLatin1StringView("Home")) {
        m_addressComboBox->setEditText(m_addresses.searchSite);
        navigateToStart();
    } else if (key == QLatin1StringView("Stop")) {
        m_busyTimer->stop();
        m_awaitingLoad = false;
        m_webView->stop();
        if (const auto caption = captionAfterLoad(m_webView->title(), m_addresses.startingAddress))
            setWindowTitle(*caption);
    }
}

void BrowserWindow::updateBusyCaption()
{
    if (isBusy()) {
        setWindowTitle(busyCaption());
        return;
    }
    m_busyTimer->stop();
    setWindowTitle(captionWhenIdle(m_webView->title(), m_addresses.startingAddress));
}

void BrowserWindow::onLoadFinished()
{
    if (const auto caption = captionAfterLoad(m_webView->title(), m_addresses.startingAddress))
        setWindowTitle(*caption);
}

void BrowserWindow::onNavigated()
{
    onLoadFinished();
    recordTypedAddress();
}

void BrowserWindow::recordTypedAddress()
{
    QStringList entries;
    for (int i = 0; i < m_addressComboBox->count(); ++i)
        entries << m_addressComboBox->itemText(i);
    const QStringList history = withTypedAddress(entries, m_addressComboBox->currentText());
    m_addressComboBox->clear();
    m_addressComboBox->addItems(history);
    m_addressComboBox->setCurrentIndex(0);
}

} // namespace browser
