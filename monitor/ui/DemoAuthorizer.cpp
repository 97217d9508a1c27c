#include "monitor/ui/DemoAuthorizer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvex {

bool DemoAuthorizer::authorizeAdmin(const QString& prompt) {
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("demoAuthorizationDialog"));
    dialog.setWindowTitle(QStringLiteral("tarvex Monitor"));
    dialog.setModal(true);

    auto* layout = new QVBoxLayout(&dialog);
    auto* heading = new QLabel(QStringLiteral("<b>%1</b>")
                                   .arg(QCoreApplication::translate(
                                       "DemoAuthorizer", "Administrator authorization (demo)")));
    auto* message = new QLabel(prompt);
    message->setObjectName(QStringLiteral("prompt"));
    message->setWordWrap(true);
    message->setMinimumWidth(360);
    layout->addWidget(heading);
    layout->addWidget(message);

    auto* buttons = new QDialogButtonBox;
    QPushButton* authorize = buttons->addButton(
        QCoreApplication::translate("DemoAuthorizer", "Authorize"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("Alerts", "Cancel"),
                       QDialogButtonBox::RejectRole);
    authorize->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tarvex
