#pragma once

#include "BrowserAddresses.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class QWebEngineProfile;
class QWebEngineView;

namespace browser {

// The anonymous-surfing window: a small web browser whose every page is
// asked for through the translation service. It opens on the public-IP
// page, keeps what the user typed as a most-recent-first list, and shows
// in its caption whether a page is on its way and which page is shown.
class BrowserWindow : public QWidget
{
    Q_OBJECT
public:
    explicit BrowserWindow(const BrowserAddresses &addresses, QWidget *parent = nullptr);
    ~BrowserWindow() override;

    // The toolbar's command words, one per button.
    void runToolbarButton(const QString &key);
    // Enter in the address box or a choice from its list.
    void chooseAddress();
    // Shows the window in front of the others, restored if minimised.
    void bringForward();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildToolBar();
    void buildAddressPanel();
    void arrangeControls();
    void navigate(const QString &address);
    void navigateToStart();
    void load(const QString &proxiedAddress);
    void expectLoad();
    bool isBusy() const;
    void updateBusyCaption();
    void onLoadFinished();
    void onNavigated();
    void recordTypedAddress();

    BrowserAddresses m_addresses;
    QToolBar *m_toolBar = nullptr;
    QWidget *m_addressPanel = nullptr;
    QLabel *m_addressLabel = nullptr;
    QComboBox *m_addressComboBox = nullptr;
    QWebEngineProfile *m_profile = nullptr;
    QWebEngineView *m_webView = nullptr;
    QTimer *m_busyTimer = nullptr;
    QTimer *m_loadStartTimer = nullptr;
    // A navigation was asked for and its load has not started yet.
    bool m_awaitingLoad = false;
};

} // namespace browser
