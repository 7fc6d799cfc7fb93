#pragma once

#include "SettingsStore.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace settings {

// Edits the preference flags, the change sound, whether network changes
// refresh the addresses, the public-IP service and the command run when a
// public address changes.
// It only reads and writes the settings; whoever opened it applies them
// once it has closed, whichever button closed it.
class PreferencesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget *parent = nullptr);

    // The path shortened to what the sound file field can show.
    QString fitPathToLabel(const QString &path) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    void readSettings();
    void showSoundFile(const QString &path);
    void chooseSoundFile();
    void save();
    void refuse(QLineEdit *field, const QString &text);

    QCheckBox *m_startAtLogonCheckBox = nullptr;
    QCheckBox *m_startMinimizedCheckBox = nullptr;
    QCheckBox *m_noBalloonsCheckBox = nullptr;
    QCheckBox *m_noExitQuestionCheckBox = nullptr;
    QCheckBox *m_playSoundCheckBox = nullptr;
    QLineEdit *m_soundFileEdit = nullptr;
    QPushButton *m_browseButton = nullptr;
    // Never shown: holds the full path that Ok stores, and its width is
    // what the shortened display must fit.
    QLabel *m_soundFileLabel = nullptr;
    QCheckBox *m_networkRefreshCheckBox = nullptr;
    QLineEdit *m_ipServiceEdit = nullptr;
    QLineEdit *m_changeCommandEdit = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;

    SettingsStore m_settings;
};

} // namespace settings
