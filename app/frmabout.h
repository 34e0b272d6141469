#pragma once

#include <QDialog>

namespace kalamora {

// "About Kalamora": the program's name, version and credits. OK or Escape
// closes it.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);
};

} // namespace kalamora
