// The About box: the program's icon, name and version, and OK.
#pragma once

#include <QDialog>

namespace pix {

class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The application's icon (the bundled scalable icon, or the theme's "pixovia" when installed).
QIcon applicationIcon();

} // namespace pix
