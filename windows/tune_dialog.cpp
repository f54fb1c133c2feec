#include "windows/tune_dialog.h"

#include <QCloseEvent>
#include <algorithm>
#include <cmath>

#include "platform/qt_text.h"
#include "stations/comment_decoder.h"
#include "support/colours.h"
#include "support/diagnostic_log.h"
#include "support/error_trap.h"
#include "support/number_format.h"
#include "support/settings.h"
#include "support/vbtypes.h"

namespace bb::windows {
namespace {

using platform::Q;

constexpr int kGreen = colour::kDarkGreen;
constexpr int kRed = colour::kRed;
constexpr const char* kModes[] = {"LSB", "USB", "FM", "AM"};
constexpr const char* kPrograms[] = {"DX-Lab Commander", "Ham Radio Deluxe"};

radio::ToneAndShift ToneAndShiftOf(const RadioSetup& s) {
    using Mode = RadioSetup::ToneMode;
    radio::ToneAndShift t;
    t.toneMode = s.Mode == Mode::Tone          ? "tone"
                 : s.Mode == Mode::ToneSquelch ? "tsql"
                 : s.Mode == Mode::Dcs         ? "dcs"
                                               : "off";
    if (s.Mode == Mode::Tone || s.Mode == Mode::ToneSquelch)
        t.tone = FixedDecimals(s.ToneHz, 1, '.');
    if (s.Mode == Mode::Dcs) {
        t.dcs = std::to_string(s.DcsCode);
        t.dcs.insert(0, 3 - std::min<std::size_t>(3, t.dcs.size()), '0');
    }
    t.shift = s.Shift > 0 ? "plus" : s.Shift < 0 ? "minus" : "none";
    // A shift on a band without a standard offset keeps the radio's own.
    if (s.Shift == 0 || s.OffsetHz > 0) t.offset = std::to_string(s.Shift == 0 ? 0 : s.OffsetHz);
    return t;
}

// What the settings need of the radio that it lacks, by the words of the
// item "RigSetup".
std::string Lacking(const radio::ToneAndShift& t, const std::string& abilities) {
    std::string words = " " + abilities + " ", lacking;
    auto need = [&](bool wanted, const char* word, const char* name) {
        if (wanted && words.find(" " + std::string(word) + " ") == std::string::npos)
            lacking += (lacking.empty() ? "" : ", ") + std::string(name);
    };
    need(t.toneMode == "tone" || t.toneMode == "tsql", "tone", "tone");
    need(t.toneMode == "tsql", "tsql", "tone squelch");
    need(t.toneMode == "dcs", "dcs", "DCS");
    need(t.shift != "none", "shift", "repeater shift");
    need(!t.offset.empty() && t.offset != "0", "offset", "repeater offset");
    return lacking;
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
    // Two lines for what a tune could not set, below the buttons.
    const int resultHeight = 2 * fontMetrics().lineSpacing() + 4;
    const int quitTop = 158 + resultHeight + 8;
    resize(width, quitTop + 40);
    lblDescription = new QLabel(QStringLiteral("Frequency"), this);
    lblDescription->setGeometry(10, 8, width - 20, 20);
    SetupLabel = new QLabel(this);
    SetupLabel->setGeometry(10, 30, width - 20, 20);
    Frame1 = new QGroupBox(QStringLiteral("Mode"), this);
    Frame1->setGeometry(10, 58, 190, 90);
    for (int i = 0; i < 4; ++i) {
        optMode[i] = new QRadioButton(Frame1);
        optMode[i]->setGeometry(12 + (i % 2) * 88, 24 + (i / 2) * 30, 80, 24);
        connect(optMode[i], &QRadioButton::clicked, this, [this, i] { optMode_Click(i); });
    }
    for (int i = 0; i < 2; ++i) {
        cmdSetFreq[i] = new QPushButton(QStringLiteral("Command1"), this);
        cmdSetFreq[i]->setGeometry(210, 62 + i * 46, buttonWidth, 40);
        connect(cmdSetFreq[i], &QPushButton::clicked, this, [this, i] { cmdSetFreq_Click(i); });
    }
    cmdSetFreqQuit = new QPushButton(QStringLiteral("Quit"), this);
    cmdSetFreqQuit->setGeometry(10, quitTop, 90, 30);
    SetupResultLabel = new QLabel(this);
    SetupResultLabel->setGeometry(10, 158, width - 20, resultHeight);
    SetupResultLabel->setWordWrap(true);
    SetupResultLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
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
        const radio::TuneResult sent =
            index == 0 ? radio_.SendCommanderFreqMode(lblFreqkHz->text().toStdString(), mode)
                       : radio_.SendHamRadioDeluxeFreq(lblFreqHz->text().toStdString(), mode);
        if (sent == radio::TuneResult::Refused || sent == radio::TuneResult::NoAnswer) {
            // The radio may be half tuned (the mode set, not the frequency):
            // say so now, not only by the status turning red later.
            const std::string wanted = lblFreqMHz->text().toStdString() + " MHz " + mode;
            const std::string result =
                sent == radio::TuneResult::Refused
                    ? "The radio did not take " + wanted + " from " + kPrograms[index] + "."
                    : std::string(kPrograms[index]) + " did not answer: the radio may not be at " +
                          wanted + ".";
            WriteErrorLog("Form3.cmdSetFreq_Click: " + result);
            SetupResultLabel->setText(Q(result));
            Refresh();
            return;
        }
        SendToneAndShift(static_cast<std::int16_t>(index));
    });
}

void Form3::SendToneAndShift(std::int16_t server) {
    SetupResultLabel->clear();
    // A program that went away with the tune turns red at the next refresh.
    if (!Settings().SetToneAndOffset || !radio_.IsServerConnected(server)) return;
    const radio::SetupOutcome out = radio_.SendToneAndShift(server, toneAndShift_);
    const std::string program = kPrograms[server];
    std::string result;
    if (!out.offered) {
        result = program + " does not set tone or offset: set them on the radio by hand.";
    } else if (const std::string lacking = Lacking(toneAndShift_, out.abilities);
               !lacking.empty()) {
        result = "Not set, the radio has no " + lacking + ".";
    } else if (!out.taken) {
        result = "The radio did not take the tone and offset.";
    }
    if (out.offered && !result.empty())
        WriteErrorLog("Form3.cmdSetFreq_Click: " + setup_ + " for " +
                      lblFreqMHz->text().toStdString() + " MHz: " + result);
    SetupResultLabel->setText(Q(result.empty() ? "Set: " + setup_ + "." : result));
}

void Form3::cmdSetFreqQuit_Click() {
    Trap("Form3.cmdSetFreqQuit_Click", [&] { close(); });
}

void Form3::tmrSetFreq_Timer() {
    Trap("Form3.tmrSetFreq_Timer", [&] { Refresh(); });
}

void Form3::Refresh() {
    SetupLabel->setText(
        Q(Settings().SetToneAndOffset ? setup_ : setup_ + " (not set when tuning: see Options)"));
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

TuneTexts MakeTuneTexts(const std::string& callsign, const QSYInfo& qsy) {
    const std::string& qsyFrequency = qsy.Frequency;
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
    t.setup = DescribeRadioSetup(qsy.Setup, decimal);
    t.toneAndShift = ToneAndShiftOf(qsy.Setup);
    return t;
}

void Form3::SetStation(const TuneTexts& t) {
    lblFreqMHz->setText(Q(t.mhz));
    lblFreqkHz->setText(Q(t.khz));
    lblFreqHz->setText(Q(t.hz));
    lblDescription->setText(Q(t.description));
    frequencyMHz_ = t.frequencyMHz;
    setup_ = t.setup;
    toneAndShift_ = t.toneAndShift;
    SetupResultLabel->clear();
    Refresh();
}

void Form3::closeEvent(QCloseEvent* event) {
    tmrSetFreq.stop();
    event->accept();
}

void OpenTuneDialog(QPointer<Form3>& dialog, radio::DDEClientModule& radio,
                    const StationBoard& board, std::int32_t index, const std::string& callsign) {
    OpenTuneDialog(dialog, radio, callsign, board.Table()[index].QSY);
}

void OpenTuneDialog(QPointer<Form3>& dialog, radio::DDEClientModule& radio,
                    const std::string& callsign, const QSYInfo& qsy) {
    // Everything that can fail comes before the dialog is loaded or changed.
    const TuneTexts texts = MakeTuneTexts(callsign, qsy);
    if (!dialog) dialog = new Form3(radio);
    dialog->SetStation(texts);
    dialog->show();
    dialog->raise();
}

}  // namespace bb::windows
