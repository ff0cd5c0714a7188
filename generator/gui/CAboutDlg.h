#pragma once

#include <QDialog>

// "About Glyphmill": the icon, the version line and OK.
class CAboutDlg : public QDialog {
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
