#include "monitor/ui/AboutDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "monitor/ui/WindowLayout.h"

namespace tarvex {

namespace {

constexpr int kIconSize = 64;
constexpr int kTextWidth = 360;

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(tr("About tarvex Monitor"));

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(kIconSize, kIconSize));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QStringLiteral("tarvex Monitor"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setBold(true);
    name->setFont(nameFont);

    auto* version = new QLabel(tr("Version %1").arg(QCoreApplication::applicationVersion()), this);
    version->setObjectName(QStringLiteral("aboutVersion"));

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    for (const QString& paragraph :
         {tr("Shows the state of the local tarvex database service in the system tray and "
             "starts, stops and maintains it."),
          tr("Its helper, tarvex-helper, runs as administrator and carries out only the "
             "commands of a fixed list with the control tool tarvexctl, for the users the "
             "system allows."),
          tr("Copyright 2026 tarvex Monitor developers. All rights "
             "reserved. Distributed with the tarvex database service.")}) {
        auto* label = new QLabel(paragraph, this);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setMinimumWidth(scaledWidth(kTextWidth, label->font()));
        text->addWidget(label);
    }

    auto* body = new QHBoxLayout;
    body->addWidget(icon);
    body->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tarvex
