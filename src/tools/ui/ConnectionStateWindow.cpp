#include "ConnectionStateWindow.h"

#include "ConnectionTexts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tools {

ConnectionStateWindow::ConnectionStateWindow(QWidget *parent, Query query)
    : QDialog(parent), m_viaLanEdit(new QLineEdit), m_viaModemEdit(new QLineEdit),
      m_viaProxyEdit(new QLineEdit), m_onlineEdit(new QLineEdit), m_rasInstalledEdit(new QLineEdit),
      m_descriptionEdit(new QPlainTextEdit),
      m_queryButton(new QPushButton(QStringLiteral("Get Net Connect"))), m_query(std::move(query))
{
    setObjectName(QStringLiteral("connectionStateWindow"));
    setWindowTitle(QStringLiteral("Internet Connect State"));
    m_queryButton->setObjectName(QStringLiteral("queryButton"));
    m_queryButton->setDefault(true);

    const std::array<QWidget *, 6> fields{m_viaLanEdit, m_viaModemEdit,     m_viaProxyEdit,
                                          m_onlineEdit, m_rasInstalledEdit, m_descriptionEdit};
    const std::array<const char *, 6> names{"viaLan", "viaModem",     "viaProxy",
                                            "online", "rasInstalled", "description"};
    auto *grid = new QGridLayout(this);
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(QString::fromLatin1(kConnectionLabels[size_t(i)]));
        label->setObjectName(QString::fromLatin1(names[size_t(i)]) + QStringLiteral("Label"));
        fields[size_t(i)]->setObjectName(QString::fromLatin1(names[size_t(i)]) +
                                         QStringLiteral("Edit"));
        label->setBuddy(fields[size_t(i)]);
        grid->addWidget(label, i, 0, Qt::AlignTop);
        grid->addWidget(fields[size_t(i)], i, 1);
    }
    // The answers are for reading; the sentence may take a few lines.
    for (QLineEdit *e :
         {m_viaLanEdit, m_viaModemEdit, m_viaProxyEdit, m_onlineEdit, m_rasInstalledEdit})
        e->setReadOnly(true);
    m_descriptionEdit->setReadOnly(true);
    m_descriptionEdit->setTabChangesFocus(true);
    m_descriptionEdit->setFixedHeight(m_descriptionEdit->fontMetrics().lineSpacing() * 4 + 12);
    m_descriptionEdit->setMinimumWidth(360);
    grid->addWidget(m_queryButton, 6, 1, Qt::AlignRight);

    connect(m_queryButton, &QPushButton::clicked, this,
            &ConnectionStateWindow::showConnectionState);
}

void ConnectionStateWindow::showConnectionState()
{
    // The system answers from its own tables at once: nothing to wait for.
    const std::array<QString, 6> texts = connectionReport(m_query);
    m_viaLanEdit->setText(texts[0]);
    m_viaModemEdit->setText(texts[1]);
    m_viaProxyEdit->setText(texts[2]);
    m_onlineEdit->setText(texts[3]);
    m_rasInstalledEdit->setText(texts[4]);
    m_descriptionEdit->setPlainText(texts[5]);
}

} // namespace tools
