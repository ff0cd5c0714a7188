#pragma once

#include <QDialog>

// "About Recognize": the program's icon and title, and "OK".
class CAboutRecognizeDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutRecognizeDlg(QWidget* parent);
};
