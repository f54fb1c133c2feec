// The tune dialog: a station's QSY frequency, a mode, and one button per
// radio-control program that shows whether it is connected and tunes it.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

#include "radio/dde_client.h"
#include "stations/board.h"

namespace bb::windows {

// What the dialog shows for a station, in the user's number format, and the
// tone and offset that go with the frequency.
struct TuneTexts {
    double frequencyMHz = 0;
    std::string mhz, khz, hz, description;
    std::string setup;  // "T 88.5 Hz, −600 kHz"
    radio::ToneAndShift toneAndShift;
};
// Error 6 for a frequency too large to give in whole hertz.
TuneTexts MakeTuneTexts(const std::string& callsign, const QSYInfo& qsy);

class Form3 final : public QWidget {
    Q_OBJECT
  public:
    explicit Form3(radio::DDEClientModule& radio, QWidget* parent = nullptr);

    void Form_Load();
    void optMode_Click(int index);
    void cmdSetFreq_Click(int index);
    void cmdSetFreqQuit_Click();
    void tmrSetFreq_Timer();

    void SetStation(const TuneTexts& texts);

    // The status button's colour as an RGB value: 32768 green, 255 red.
    int BackColor(int index) const { return backColor_[static_cast<std::size_t>(index)]; }

    QLabel* lblDescription;
    QLabel* SetupLabel;  // the tone and offset a tune sets
    QGroupBox* Frame1;
    std::array<QRadioButton*, 4> optMode{};
    std::array<QPushButton*, 2> cmdSetFreq{};
    QPushButton* cmdSetFreqQuit;
    QLabel* lblFreqMHz;
    QLabel* lblFreqkHz;
    QLabel* lblFreqHz;
    QLabel* SetupResultLabel;  // what the last tune could not set
    QTimer tmrSetFreq;
    std::int16_t SelectedMode = 2;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Refresh();
    void SendToneAndShift(std::int16_t server);

    radio::DDEClientModule& radio_;
    double frequencyMHz_ = 0;
    std::string setup_;
    radio::ToneAndShift toneAndShift_;
    std::array<int, 2> backColor_{};
};

// Opens the dialog, or reuses the open one, for the record at `index` of the
// table; error 9 when there is none, and the dialog is left as it was.
void OpenTuneDialog(QPointer<Form3>& dialog, radio::DDEClientModule& radio,
                    const StationBoard& board, std::int32_t index, const std::string& callsign);
// The same for a station's QSY as a window holds it.
void OpenTuneDialog(QPointer<Form3>& dialog, radio::DDEClientModule& radio,
                    const std::string& callsign, const QSYInfo& qsy);

}  // namespace bb::windows
