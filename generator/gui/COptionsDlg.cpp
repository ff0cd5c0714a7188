#include "COptionsDlg.h"

#include "CCellGenerationDlg.h"
#include "DialogMessages.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <limits>

namespace {

QLineEdit* MakeDigitsEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setFixedWidth(56);
    return edit;
}

// Reads one field: "Please enter an integer." for a non-number, the range message outside low..high.
bool ReadField(QWidget* dialog, QLineEdit* edit, long long low, long long high, int& value)
{
    long long parsed = 0;
    QString message;
    if (!ParseDialogInteger(edit->text(), parsed) || parsed < std::numeric_limits<int>::min() ||
        parsed > std::numeric_limits<int>::max()) {
        message = QStringLiteral("Please enter an integer.");
    } else if (parsed < low || parsed > high) {
        message = IntegerRangeMessage(low, high);
    }
    if (!message.isEmpty()) {
        ShowValidationMessage(dialog, message);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

COptionsDlg::COptionsDlg(const GeneratorSettings& main, QWidget* parent)
    : QDialog(parent),
      m_nWidth(main.m_nWidth),
      m_nHeight(main.m_nHeight),
      m_nFirstCode(main.m_nFirstCode),
      m_nLastCode(main.m_nLastCode),
      m_nXOffset(main.m_nXOffset),
      m_nYOffset(main.m_nYOffset),
      m_Main(main)
{
    setWindowTitle(QStringLiteral("Options"));

    auto* saveGroup = new QGroupBox(QStringLiteral("Save characters"), this);
    m_pFirstEdit = MakeDigitsEdit(saveGroup);
    m_pLastEdit = MakeDigitsEdit(saveGroup);
    auto* saveGrid = new QGridLayout(saveGroup);
    saveGrid->addWidget(new QLabel(QStringLiteral("First Character"), saveGroup), 0, 0);
    saveGrid->addWidget(m_pFirstEdit, 0, 1);
    saveGrid->addWidget(new QLabel(QStringLiteral("Last Character"), saveGroup), 0, 2);
    saveGrid->addWidget(m_pLastEdit, 0, 3);
    saveGrid->setColumnStretch(4, 1);

    auto* layoutGroup = new QGroupBox(QStringLiteral("Characters layout"), this);
    m_pWidthEdit = MakeDigitsEdit(layoutGroup);
    m_pHeightEdit = MakeDigitsEdit(layoutGroup);
    m_pXEdit = MakeDigitsEdit(layoutGroup);
    m_pYEdit = MakeDigitsEdit(layoutGroup);
    m_pAutocalcButton = new QPushButton(QStringLiteral("Autocalc chars layout"), layoutGroup);
    m_pAutocalcButton->setAutoDefault(false);
    auto* layoutGrid = new QGridLayout(layoutGroup);
    layoutGrid->addWidget(new QLabel(QStringLiteral("Character Width"), layoutGroup), 0, 0);
    layoutGrid->addWidget(m_pWidthEdit, 0, 1);
    layoutGrid->addWidget(new QLabel(QStringLiteral("X Offset"), layoutGroup), 0, 2);
    layoutGrid->addWidget(m_pXEdit, 0, 3);
    layoutGrid->addWidget(new QLabel(QStringLiteral("Character Height"), layoutGroup), 1, 0);
    layoutGrid->addWidget(m_pHeightEdit, 1, 1);
    layoutGrid->addWidget(new QLabel(QStringLiteral("Y Offset"), layoutGroup), 1, 2);
    layoutGrid->addWidget(m_pYEdit, 1, 3);
    layoutGrid->addWidget(m_pAutocalcButton, 2, 0, 1, 4, Qt::AlignLeft);
    layoutGrid->setColumnStretch(4, 1);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);

    auto* groups = new QVBoxLayout;
    groups->addWidget(saveGroup);
    groups->addWidget(layoutGroup);
    auto* root = new QHBoxLayout(this);
    root->addLayout(groups, 1);
    root->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &COptionsDlg::reject);
    connect(m_pAutocalcButton, &QPushButton::clicked, this, &COptionsDlg::OnAutocalc);

    WriteControls();
    setFixedSize(sizeHint().expandedTo(QSize(402, 180)));
}

bool COptionsDlg::ReadControls()
{
    return ReadField(this, m_pHeightEdit, 0, 150, m_nHeight) && ReadField(this, m_pWidthEdit, 0, 150, m_nWidth) &&
           ReadField(this, m_pFirstEdit, 0, 255, m_nFirstCode) && ReadField(this, m_pLastEdit, 0, 255, m_nLastCode) &&
           ReadField(this, m_pXEdit, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), m_nXOffset) &&
           ReadField(this, m_pYEdit, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), m_nYOffset);
}

void COptionsDlg::WriteControls()
{
    m_pHeightEdit->setText(QString::number(m_nHeight));
    m_pWidthEdit->setText(QString::number(m_nWidth));
    m_pFirstEdit->setText(QString::number(m_nFirstCode));
    m_pLastEdit->setText(QString::number(m_nLastCode));
    m_pXEdit->setText(QString::number(m_nXOffset));
    m_pYEdit->setText(QString::number(m_nYOffset));
}

void COptionsDlg::accept()
{
    if (ReadControls())
        QDialog::accept();
}

void COptionsDlg::OnAutocalc()
{
    CCellGenerationDlg generation(m_Main, this);
    if (generation.exec() != Accepted)
        return;
    const LayoutBox& box = generation.Box();
    m_nXOffset = box.x();
    m_nWidth = box.w();
    m_nYOffset = box.y();
    m_nHeight = box.h();
    WriteControls();
}
