#include "CCoefficientDlg.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <cmath>

CCoefficientDlg::CCoefficientDlg(IUserPrompts& prompts, QWidget* parent)
    : CDataDialog(prompts, parent)
{
    setWindowTitle(QStringLiteral("Recognition Coefficient"));
    const QString prompt = QStringLiteral("Enter new recognition coefficient value:");
    const CDialogUnits units(*this, {{prompt, 126}});
    auto* label = new QLabel(prompt, this);
    units.Place(*label, 7, 7, 126, 8);
    m_pValue = new QLineEdit(this);
    units.Place(*m_pValue, 135, 7, 36, 12);
    m_pValue->setReadOnly(true);
    m_pValue->setFrame(false);
    m_pValue->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pValue->setTextMargins(0, 0, 0, 0);
    m_pValue->setFocusPolicy(Qt::NoFocus);
    // A read-only box without a border shows on the dialog's background.
    m_pValue->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_Slider = new QSlider(Qt::Horizontal, this);
    units.Place(*m_Slider, 7, 20, 164, 22);
    m_Slider->setTickPosition(QSlider::TicksAbove);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.Place(*ok, 31, 48, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.Place(*cancel, 96, 48, 50, 14);
    setFixedSize(units.Size(178, 69));
    connect(ok, &QPushButton::clicked, this, &CDataDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int CCoefficientDlg::SliderPosition(double value)
{
    const double position = std::trunc(value * 100000.0);
    if (!(position >= 0))
        return 0;  // negative or NaN
    if (position > kSliderMax)
        return kSliderMax;
    return static_cast<int>(position);
}

QString CCoefficientDlg::FormatValue(double value)
{
    return QString::number(value, 'g', 15);
}

void CCoefficientDlg::OnInitDialog()
{
    CDataDialog::OnInitDialog();
    const QSignalBlocker blocker(m_Slider);
    m_Slider->setRange(0, kSliderMax);
    m_Slider->setTickInterval(10000);
    m_Slider->setPageStep(10000);
    m_Slider->setSingleStep(1000);
    m_Slider->setValue(SliderPosition(m_dValue));
    connect(m_Slider, &QSlider::valueChanged, this, &CCoefficientDlg::OnHScroll, Qt::UniqueConnection);
    // A key or click that leaves the position where it was (End at the end) still sets the value.
    connect(m_Slider, &QSlider::actionTriggered, this, &CCoefficientDlg::OnSliderAction, Qt::UniqueConnection);
    // So does a click on the thumb that does not drag it.
    connect(m_Slider, &QSlider::sliderPressed, this, &CCoefficientDlg::OnSliderAction, Qt::UniqueConnection);
    connect(m_Slider, &QSlider::sliderReleased, this, &CCoefficientDlg::OnSliderAction, Qt::UniqueConnection);
    // The keys act on the slider from the start: the box beside it only shows the value.
    m_Slider->setFocus(Qt::OtherFocusReason);
}

void CCoefficientDlg::OnSliderAction()
{
    OnHScroll(m_Slider->sliderPosition());
}

void CCoefficientDlg::OnHScroll(int position)
{
    m_dValue = position * 0.00001;
    m_pValue->setText(FormatValue(m_dValue));
}

bool CCoefficientDlg::DoDataExchange(bool save)
{
    if (!save) {
        m_pValue->setText(FormatValue(m_dValue));
        return true;
    }
    bool ok = false;
    const double value = m_pValue->text().trimmed().toDouble(&ok);
    if (!ok) {
        FailValidation(QStringLiteral("Please enter a number."), m_pValue);
        return false;
    }
    if (!(value >= 0.0 && value <= 1.0)) {
        FailValidation(QStringLiteral("Please enter a number between %1 and %2.").arg(0).arg(1), m_pValue);
        return false;
    }
    m_dValue = value;
    return true;
}
