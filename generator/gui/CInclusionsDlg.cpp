#include "CInclusionsDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CClassCheckBox::CClassCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setTristate(true);
}

ClassState CClassCheckBox::State() const
{
    switch (checkState()) {
    case Qt::Checked:
        return ClassState::Checked;
    case Qt::PartiallyChecked:
        return ClassState::Indeterminate;
    case Qt::Unchecked:
        break;
    }
    return ClassState::Unchecked;
}

void CClassCheckBox::SetState(ClassState state)
{
    switch (state) {
    case ClassState::Checked:
        setCheckState(Qt::Checked);
        break;
    case ClassState::Indeterminate:
        setCheckState(Qt::PartiallyChecked);
        break;
    case ClassState::Unchecked:
        setCheckState(Qt::Unchecked);
        break;
    }
}

void CClassCheckBox::nextCheckState()
{
    SetState(ClickedClassState(State()));
}

CInclusionsDlg::CInclusionsDlg(const InclusionTable& table, QWidget* parent) : QDialog(parent), m_Table(table)
{
    setWindowTitle(QStringLiteral("Include/Exclude Characters"));
    auto* layout = new QVBoxLayout(this);
    for (const CharClassInfo& info : AllClasses()) {
        auto* box = new CClassCheckBox(QString::fromUtf8(info.label.data(), static_cast<qsizetype>(info.label.size())), this);
        m_Boxes[static_cast<std::size_t>(info.id)] = box;
        layout->addWidget(box);
    }
    layout->addSpacing(8);

    const std::array<std::pair<InclusionPreset, const char*>, 3> presets = {{
        {InclusionPreset::Pure, "Russian Symbols, Pure Set"},
        {InclusionPreset::Normal, "Russian Symbols, Normal Set"},
        {InclusionPreset::Rich, "Russian Symbols, Rich Set"},
    }};
    for (const auto& [preset, text] : presets) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setAutoDefault(false);
        m_PresetButtons[static_cast<std::size_t>(preset)] = button;
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, p = preset] { OnPreset(p); });
    }
    layout->addSpacing(8);

    m_pOkButton = new QPushButton(QStringLiteral("OK"), this);
    m_pOkButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pOkButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_pOkButton, &QPushButton::clicked, this, &CInclusionsDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &CInclusionsDlg::reject);

    WriteStates(DeriveClassStates(m_Table));
    setFixedSize(sizeHint().expandedTo(QSize(288, 0)));
}

ClassStates CInclusionsDlg::ReadStates() const
{
    ClassStates states{};
    for (std::size_t i = 0; i < m_Boxes.size(); ++i)
        states[i] = m_Boxes[i]->State();
    return states;
}

void CInclusionsDlg::WriteStates(const ClassStates& states)
{
    for (std::size_t i = 0; i < m_Boxes.size(); ++i)
        m_Boxes[i]->SetState(states[i]);
}

void CInclusionsDlg::OnPreset(InclusionPreset preset)
{
    ClassStates states = ReadStates();
    ApplyPreset(preset, states, m_Table);
    WriteStates(states);
}

void CInclusionsDlg::accept()
{
    ApplyClassStates(ReadStates(), m_Table);
    QDialog::accept();
}
