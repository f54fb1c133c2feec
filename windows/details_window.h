// The details window: one station as it stood when the window loaded, with
// its arrows, PHG values, symbol, QSY frequency and beacon text.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/qt_picture_box.h"
#include "stations/board.h"
#include "stations/station_actions.h"
#include "support/picture.h"
#include "windows/twip_layout.h"

namespace bb::windows {

struct Form5Services {
    StationBoard* board = nullptr;
    // The symbol's picture, and the tune dialog for the record the window holds.
    StationActions* actions = nullptr;
};

// A compass direction in degrees as an arrow angle (radians, 0 right, up
// positive), with the window's own constants.
double DetailAngle(double degrees);

class Form5 final : public QWidget {
    Q_OBJECT
  public:
    // Loads for `callsign` (the DetailsCallsign of the "Detail" command).
    Form5(const Form5Services& services, const std::string& callsign, QWidget* parent = nullptr);

    void Form_Load();
    void cmdBeaconComment_Click();
    void cmdTune_Click();

    std::string Callsign;
    std::int32_t StationIndex = -1;
    // The record found at load, held by the window: a later compaction of the
    // table moves indices, never what the window shows and acts on.
    std::optional<StationRecord> Record;
    std::string PHGText;

    QLabel *Label1, *Label2, *Label3, *Label4, *Label6, *Label7, *Label8, *Label9, *Label11;
    QLabel *lblLatitude, *lblLongitude, *lblDistance, *lblBearing, *lblSpeed, *lblCourse;
    QLabel *lblPHGTitle, *lblPHG, *lblBeacon, *lblMHz;
    QLabel* SetupLabel;  // the tone and offset announced with the frequency
    platform::QtPictureBox *Picture1, *Picture2, *Picture3, *Picture4;
    QPushButton* cmdBeaconComment;
    QPushButton* cmdTune;

  private:
    QLabel* Label(const char* text, int left, int top, int width = 855, int height = 255);
    platform::QtPictureBox* Box(int top);

    Form5Services services_;
    TwipLayout layout_;
};

}  // namespace bb::windows
