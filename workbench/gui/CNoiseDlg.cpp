#include "CNoiseDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <charconv>
#include <cmath>

namespace {

constexpr int kSliderSteps = 500;  // slider position p stands for p / 10 percent

}  // namespace

CNoiseDlg::CNoiseDlg(IUserPrompts& prompts, QWidget* parent)
    : CDataDialog(prompts, parent)
{
    setWindowTitle(QStringLiteral("Add Noise"));
    m_pKind = new QComboBox(this);
    m_pKind->addItem(QStringLiteral("Flip black and white"), static_cast<int>(NoiseKind::Flip));
    m_pKind->addItem(QStringLiteral("Add ink"), static_cast<int>(NoiseKind::Ink));
    m_pKind->addItem(QStringLiteral("Erase ink"), static_cast<int>(NoiseKind::Erase));
    m_pSlider = new QSlider(Qt::Horizontal, this);
    m_pSlider->setRange(0, kSliderSteps);
    m_pSlider->setPageStep(50);
    m_pRate = new QDoubleSpinBox(this);
    m_pRate->setRange(0.0, kMaxNoiseRate * 100);
    m_pRate->setDecimals(1);
    m_pRate->setSingleStep(0.5);
    m_pRate->setSuffix(QStringLiteral(" %"));
    m_pSeed = new QLineEdit(this);
    // The largest seed, 20 digits, shows whole.
    m_pSeed->setMinimumWidth(m_pSeed->fontMetrics().horizontalAdvance(QStringLiteral("18446744073709551615")) + 16);
    auto* newSeed = new QPushButton(QStringLiteral("&New seed"), this);
    newSeed->setAutoDefault(false);

    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(m_pSlider, 1);
    rateRow->addWidget(m_pRate);
    auto* seedRow = new QHBoxLayout;
    seedRow->addWidget(m_pSeed, 1);
    seedRow->addWidget(newSeed);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Kind:"), m_pKind);
    // Rows of two controls take a label whose access key moves to the first box.
    auto* rateLabel = new QLabel(QStringLiteral("&Rate:"), this);
    rateLabel->setBuddy(m_pRate);
    form->addRow(rateLabel, rateRow);
    auto* seedLabel = new QLabel(QStringLiteral("S&eed:"), this);
    seedLabel->setBuddy(m_pSeed);
    form->addRow(seedLabel, seedRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);

    connect(m_pSlider, &QSlider::valueChanged, this, [this](int position) {
        const QSignalBlocker blocker(m_pRate);
        m_pRate->setValue(position / 10.0);
    });
    connect(m_pRate, &QDoubleSpinBox::valueChanged, this, [this](double percent) {
        const QSignalBlocker blocker(m_pSlider);
        m_pSlider->setValue(static_cast<int>(std::lround(percent * 10)));
    });
    connect(newSeed, &QPushButton::clicked, this, [this] { m_pSeed->setText(QString::number(NewNoiseSeed())); });
    connect(buttons, &QDialogButtonBox::accepted, this, &CDataDialog::OnOK);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool CNoiseDlg::DoDataExchange(bool save)
{
    if (!save) {
        m_pKind->setCurrentIndex(m_pKind->findData(static_cast<int>(m_Noise.kind)));
        m_pRate->setValue(m_Noise.rate * 100);
        m_pSlider->setValue(static_cast<int>(std::lround(m_Noise.rate * 1000)));
        m_pSeed->setText(QString::number(m_Noise.seed));
        return true;
    }
    const QByteArray seedText = m_pSeed->text().trimmed().toLatin1();
    std::uint64_t seed = 0;
    const auto parsed = std::from_chars(seedText.data(), seedText.data() + seedText.size(), seed);
    if (seedText.isEmpty() || parsed.ec != std::errc() || parsed.ptr != seedText.data() + seedText.size()) {
        FailValidation(QStringLiteral("Please enter an integer between %1 and %2.").arg(0).arg(UINT64_MAX), m_pSeed);
        return false;
    }
    m_Noise.kind = static_cast<NoiseKind>(m_pKind->currentData().toInt());
    m_Noise.rate = m_pRate->value() / 100;
    m_Noise.seed = seed;
    return true;
}
