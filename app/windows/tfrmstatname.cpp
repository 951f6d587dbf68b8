#include "app/windows/tfrmstatname.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmStatName* frmStatName = nullptr;

TfrmStatName::TfrmStatName(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmStatName"));
    edName = new QLineEdit(this);
    edName->setObjectName(QStringLiteral("edName"));
    edName->setMinimumWidth(240);
    bbtOk = new QPushButton(this);
    bbtOk->setObjectName(QStringLiteral("bbtOk"));
    bbtOk->setDefault(true);
    connect(bbtOk, &QPushButton::clicked, this, [this] {
        m_ok = true;
        done(1);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtOk);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edName);
    layout->addLayout(buttons);
}

void TfrmStatName::Prepare(const QString& text, int left, int top)
{
    move(left + 200, top + 100);
    edName->setText(text);
}

void TfrmStatName::done(int r)
{
    // Only OK gives 1; Esc and the close box give 2.
    const int result = m_ok && r == 1 ? 1 : 2;
    m_ok = false;
    QDialog::done(result);
}
