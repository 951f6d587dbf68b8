#include "app/texts/tfrmselsprache.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/gui/tradiogroup.h"

TfrmSelSprache* frmSelSprache = nullptr;

TfrmSelSprache::TfrmSelSprache(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmSelSprache"));
    rdgSprachen = new TRadioGroup(this);
    rdgSprachen->setObjectName(QStringLiteral("rdgSprachen"));
    rdgSprachen->SetItems({QString(), QString()});
    bbtQuit = new QPushButton(this);
    bbtQuit->setObjectName(QStringLiteral("bbtQuit"));
    bbtOk = new QPushButton(this);
    bbtOk->setObjectName(QStringLiteral("bbtOk"));
    bbtOk->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtOk);
    buttons->addWidget(bbtQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rdgSprachen);
    layout->addLayout(buttons);
    setMinimumWidth(300);

    connect(bbtQuit, &QPushButton::clicked, this, [this] { done(2); });
    connect(bbtOk, &QPushButton::clicked, this, [this] { done(1); });
}

void TfrmSelSprache::reject() { done(2); }

void TfrmSelSprache::SetItemIndex(int8_t index) { rdgSprachen->SetItemIndex(index); }

uint8_t TfrmSelSprache::GetItemIndex() const
{
    return static_cast<uint8_t>(rdgSprachen->ItemIndex() & 0xFF);
}
