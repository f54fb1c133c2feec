#include "windows/tune_dialog.h"

#include <QCloseEvent>
#include <algorithm>
#include <cmath>

#include "support/colours.h"
#include "support/diagnostic_log.h"
#include "support/error_trap.h"
#include "support/number_format.h"
#include "support/vbtypes.h"

namespace bb::windows {
namespace {

constexpr int kGreen = colour::kDarkGreen;
constexpr int kRed = colour::kRed;
constexpr const char* kModes[] = {"LSB", "USB", "FM", "AM"};
constexpr const char* kPrograms[] = {"DX-Lab Commander", "Ham Radio Deluxe"};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

Form3::Form3(radio::DDEClientModule& radio, QWidget* parent) : QWidget(parent), radio_(radio) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Form3"));
    // The status buttons are the dialog's only status display: wide enough
    // for the longest status they can show.
    int buttonWidth = 200;
    for (const char* program : kPrograms)
        buttonWidth = std::max(
            buttonWidth, fontMetrics().horizontalAdvance(QString::fromLatin1(program) +
                                                         QStringLiteral(" is not connected.")) +
                             24);
    const int width = 210 + buttonWidth + 10;
    resize(width, 190);
    lblDescription = new QLabel(QStringLiteral("Frequency"), this);
    lblDescription->setGeometry(10, 8, width - 20, 20);
    Frame1 = new QGroupBox(QStringLiteral("Mode"), this);
    Frame1->setGeometry(10, 36, 190, 90);
    for (int i = 0; i < 4; ++i) {
        optMode[i] = new QRadioButton(Frame1);
        optMode[i]->setGeometry(12 + (i % 2) * 88, 24 + (i / 2) * 30, 80, 24);
        connect(optMode[i], &QRadioButton::clicked, this, [this, i] { optMode_Click(i); });
    }
    for (int i = 0; i < 2; ++i) {
        cmdSetFreq[i] = new QPushButton(QStringLiteral("Command1"), this);
        cmdSetFreq[i]->setGeometry(210, 40 + i * 46, buttonWidth, 40);
        connect(cmdSetFreq[i], &QPushButton::clicked, this, [this, i] { cmdSetFreq_Click(i); });
    }
    cmdSetFreqQuit = new QPushButton(QStringLiteral("Quit"), this);
    cmdSetFreqQuit->setGeometry(10, 145, 90, 30);
    connect(cmdSetFreqQuit, &QPushButton::clicked, this, [this] { cmdSetFreqQuit_Click(); });
    lblFreqMHz = new QLabel(QStringLiteral("FreqMHz"), this);
    lblFreqkHz = new QLabel(QStringLiteral("FreqkHz"), this);
    lblFreqHz = new QLabel(QStringLiteral("FreqHz"), this);
    for (QLabel* l : {lblFreqMHz, lblFreqkHz, lblFreqHz})
        l->hide();
    connect(&tmrSetFreq, &QTimer::timeout, this, [this] { tmrSetFreq_Timer(); });
    Form_Load();
}

void Form3::Form_Load() {
    Trap("Form3.Form_Load", [&] {
        setWindowTitle(QStringLiteral("Tune radio to QSY fequency"));
        tmrSetFreq.setInterval(5000);
        tmrSetFreq.start();
        for (int i = 0; i < 4; ++i)
            optMode[i]->setText(QString::fromLatin1(kModes[i]));
        optMode[2]->setChecked(true);
        SelectedMode = 2;
        Refresh();
    });
}

void Form3::optMode_Click(int index) {
    Trap("Form3.optMode_Click", [&] { SelectedMode = static_cast<std::int16_t>(index); });
}

void Form3::cmdSetFreq_Click(int index) {
    Trap("Form3.cmdSetFreq_Click", [&] {
        if (index != 0 && index != 1) return;
        // A QSY text that reads as no frequency would tune the radio to 0 Hz.
        if (!(frequencyMHz_ > 0)) {
            WriteErrorLog("Form3.cmdSetFreq_Click: the station gives no QSY frequency (" +
                          lblFreqMHz->text().toStdString() + " MHz); nothing was sent to " +
                          kPrograms[index]);
            return;
        }
        const std::string mode =
            optMode.at(static_cast<std::size_t>(SelectedMode))->text().toStdString();
        if (index == 0)
            radio_.SendCommanderFreqMode(lblFreqkHz->text().toStdString(), mode);
        else
            radio_.SendHamRadioDeluxeFreq(lblFreqHz->text().toStdString(), mode);
    });
}

void Form3::cmdSetFreqQuit_Click() {
    Trap("Form3.cmdSetFreqQuit_Click", [&] { close(); });
}

void Form3::tmrSetFreq_Timer() {
    Trap("Form3.tmrSetFreq_Timer", [&] { Refresh(); });
}

void Form3::Refresh() {
    for (std::int16_t s = 0; s < 2; ++s) {
        const bool on = radio_.IsServerConnected(s);
        QPushButton* b = cmdSetFreq[static_cast<std::size_t>(s)];
        b->setText(QString::fromLatin1(kPrograms[s]) +
                   (on ? QStringLiteral(" is connected.") : QStringLiteral(" is not connected.")));
        backColor_[static_cast<std::size_t>(s)] = on ? kGreen : kRed;
        // Drawn in its colour, so the status reads at a glance.
        b->setStyleSheet(on ? QStringLiteral("background-color: rgb(0,128,0); color: white;")
                            : QStringLiteral("background-color: rgb(255,0,0); color: white;"));
        b->setEnabled(on);
    }
}

TuneTexts MakeTuneTexts(const std::string& callsign, const std::string& qsyFrequency) {
    TuneTexts t;
    t.frequencyMHz = Val(qsyFrequency);
    // Beyond this the hertz text has no exact whole number.
    if (!std::isfinite(t.frequencyMHz) || std::fabs(t.frequencyMHz) * 1e6 >= 9e18)
        Raise(err::kOverflow, qsyFrequency);
    const char decimal = DecimalSeparator();
    t.mhz = FixedDecimals(t.frequencyMHz, 4, decimal);
    t.khz = FixedDecimals(t.frequencyMHz * 1000, 2, decimal);
    t.hz = Whole(t.frequencyMHz * 1000000);
    t.description = "Tune to station " + callsign + " = " + t.mhz + " MHz";
    return t;
}

void Form3::SetStation(const TuneTexts& t) {
    lblFreqMHz->setText(Q(t.mhz));
    lblFreqkHz->setText(Q(t.khz));
    lblFreqHz->setText(Q(t.hz));
    lblDescription->setText(Q(t.description));
    frequencyMHz_ = t.frequencyMHz;
}

void Form3::closeEvent(QCloseEvent* event) {
    tmrSetFreq.stop();
    event->accept();
}

void OpenTuneDialog(QPointer<Form3>& dialog, radio::DDEClientModule& radio,
                    const StationBoard& board, std::int32_t index, const std::string& callsign) {
    OpenTuneDialog(dialog, radio, callsign, board.Table()[index].QSY.Frequency);
}

void OpenTuneDialog(QPointer<Form3>& dialog, radio::DDEClientModule& radio,
                    const std::string& callsign, const std::string& qsyFrequency) {
    // Everything that can fail comes before the dialog is loaded or changed.
    const TuneTexts texts = MakeTuneTexts(callsign, qsyFrequency);
    if (!dialog) dialog = new Form3(radio);
    dialog->SetStation(texts);
    dialog->show();
    dialog->raise();
}

}  // namespace bb::windows
