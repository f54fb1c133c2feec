// The emergency window: one per alarming station, with its position,
// distance, bearing arrow and comment, and the buttons to acknowledge the
// emergency, close the window, or tune to the station.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alarm/emergency.h"
#include "platform/qt_picture_box.h"
#include "stations/board.h"
#include "stations/station_actions.h"
#include "support/picture.h"

namespace bb::windows {

struct Form2Services {
    StationBoard* board = nullptr;
    Emergency* alarm = nullptr;
    // The symbol's picture and the tune dialog; none before the board is up.
    StationActions* actions = nullptr;
};

class Form2 final : public QWidget, public EmergencyForm {
    Q_OBJECT
  public:
    // Loads from the record at the alarm's EmergencyIndex.
    Form2(const Form2Services& services, QWidget* parent = nullptr);

    void Form_Load();
    void cmdTune_Click();
    void Command2_Click();  // "ack"
    void Command1_Click();  // "Quit"
    void Command4_Click();  // "N/A"

    // EmergencyForm
    // The outer size, frame included, before the window is first shown.
    int Width() const override { return FrameSize().width(); }
    int Height() const override { return FrameSize().height(); }
    ScreenArea Frame() const override;
    void Move(int left, int top) override;
    void SetTag(const std::string& tag) override;
    void SetCaption(const std::string& caption) override;
    void SetShown(const std::string& shown) override { shown_ = shown; }
    std::string Shown() const override { return shown_; }
    void Reload() override { Form_Load(); }
    void Show() override;
    void BringToFront() override;

    std::string Tag() const;
    bool Unloaded() const { return unloaded_; }

    QLabel* Label1;
    QLabel* lblStationID;
    QLabel* lblLatitude;
    QLabel* lblLongitude;
    QLabel* lblBeaconComment;
    QLabel* lblDirection;
    QLabel* lblDistance;
    QLabel* lblArrowDirection;
    platform::QtPictureBox* Picture1;
    platform::QtPictureBox* Picture2;
    std::vector<QWidget*> Lines;  // Line1 to Line7
    QPushButton* cmdTune;
    QPushButton* Command2;
    QPushButton* Command1;
    QPushButton* Command4;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Unload();
    QSize FrameSize() const;
    QMargins FrameMargins() const;

    Form2Services services_;
    std::string shown_;
    bool unloaded_ = false;
};

// The program's loaded windows, for the emergency check.
class QtForms final : public EmergencyForms {
  public:
    explicit QtForms(Form2Services services) : services_(std::move(services)) {}
    void SetServices(Form2Services services) { services_ = std::move(services); }

    bool IsFormOpen(std::string_view name, std::string_view tag) override;
    void CloseFormByTag(std::string_view name, std::string_view tag) override;
    EmergencyForm* OpenEmergencyWindow(std::string_view tag) override;
    std::vector<ScreenArea> EmergencyFrames() const override;
    EmergencyForm& NewEmergencyWindow() override;
    ScreenArea AvailableArea() const override;

  private:
    Form2Services services_;
};

}  // namespace bb::windows
