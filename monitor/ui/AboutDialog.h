#pragma once

#include <QDialog>

namespace tarvex {

// Who the monitor is: name, version of this build, licence, and what its helper does.
// Not modal, so that the monitor keeps answering the service while it is open.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace tarvex
